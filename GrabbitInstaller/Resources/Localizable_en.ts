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
        <source>the disk is full</source>
        <translation type="unfinished"></translation>
    </message>
    <message>
        <source>you don’t have permission to write in the folder “%1”</source>
        <translation type="unfinished"></translation>
    </message>
</context>
</TS>
