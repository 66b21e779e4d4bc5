<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="en" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>A new version of Mail has been installed on your system. The Taskwell Grabbit needs to be updated in order to keep working with it. The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>A new version of the Taskwell Grabbit is ready to be installed. The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Don’t Add</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Each time you log in, this checks to make sure Grabbit will work with your version of OS X.

If you do not add it, Grabbit will stop working after an OS X update.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Grabbit Installed</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Help</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install the Grabbit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Install</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail failed to Quit. Please quit Mail manually and try again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to be uninstalled.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to begin working.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to keep working.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Remove</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Taskwell Grabbit needs to be updated.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Taskwell Grabbit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Grabbit installer is damaged: its plug-in archive is missing.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Grabbit is up to date.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Taskwell Grabbit is no longer required.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The plug-in couldn’t be unpacked: %1.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Unable to update Mail preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Uninstall and Show in Finder</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update Grabbit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update the Grabbit</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Update</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Would you like to add the Login Item?</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>unzip exited with status %1</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Taskwell clips from Mail on macOS High Sierra without the Grabbit. If you’d like, we’ll automatically uninstall it and then show this updater app in Finder so that you can move it to the Trash.
</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOME is not set: Grabbit needs your home folder to find Mail&apos;s plug-ins and preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOME is not usable: its name is not valid UTF-8.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOME is not usable: “%1” is not an absolute path.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>HOME is not usable: “%1” is not an existing folder.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click Install in Grabbit (or run “grabbitctl install”).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click Remove in Grabbit (or run “grabbitctl remove”) and move Grabbit to the Trash. Nothing else listed here needs mending.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Click Update in Grabbit (or run “grabbitctl install”).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Loading plug-ins is switched off in Mail’s preferences.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail cannot be found: there is no Mail in the Applications folders.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail has been running since before the Grabbit plug-in was last installed or changed, so it has not loaded it yet.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail has set the Grabbit plug-in aside in %1: it was not made ready for this version of Mail, which usually happens after a Mail or macOS update.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail should load the Grabbit plug-in: nothing is in its way.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail’s preferences (the file %1) are missing or cannot be read, so plug-ins cannot be switched on in them.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Mail’s preferences accept only plug-ins of an older kind, not the Grabbit.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Move Grabbit to the Trash. Nothing else listed here needs mending.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Open Mail once and quit it, so that it writes its preferences. Then run “grabbitctl install”.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Put Mail back into the Applications folder (reinstalling macOS brings it back), then run “grabbitctl doctor” again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Quit Mail and open it again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run “grabbitctl install” to put a fresh copy in place (Mail is quit and reopened).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run “grabbitctl install”: it lets Mail accept the Grabbit and reopens Mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Run “grabbitctl install”: it switches plug-ins on and reopens Mail.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>Set HOME to your home folder (or log out and back in), then run “grabbitctl doctor” again.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The Grabbit plug-in is not installed, so Mail has nothing to load.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in (version %1) is older than the one this Grabbit brings (version %2).</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is damaged: its description (Info.plist) cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is damaged: its program file is missing or cannot be read.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is not made ready for this version of Mail (usually after a Mail or macOS update), so Mail sets it aside instead of loading it.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>This Mac runs macOS 10.13 or later, where Taskwell takes whole messages from Mail without the Grabbit: the plug-in is no longer needed.</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>you don’t have permission to write in the folder “%1”</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
