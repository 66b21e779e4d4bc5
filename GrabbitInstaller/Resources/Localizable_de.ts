<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de" sourcelanguage="en">
<context>
    <name>Localizable</name>
    <message>
        <source>A new version of Mail has been installed on your system. The Taskwell Grabbit needs to be updated in order to keep working with it. The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation>Auf Ihrem System wurde eine neue Version von Mail installiert. Der Taskwell Grabbit muss aktualisiert werden, damit er weiterhin damit funktioniert. Mit dem Taskwell Grabbit Deluxe übernimmt Taskwell vollständige E-Mails direkt aus Mail.</translation>
    </message>
    <message>
        <source>A new version of the Taskwell Grabbit is ready to be installed. The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation>Eine neue Version des Taskwell Grabbit kann installiert werden. Mit dem Taskwell Grabbit Deluxe übernimmt Taskwell vollständige E-Mails direkt aus Mail.</translation>
    </message>
    <message>
        <source>Add</source>
        <translation>Hinzufügen</translation>
    </message>
    <message>
        <source>Don’t Add</source>
        <translation>Nicht hinzufügen</translation>
    </message>
    <message>
        <source>Each time you log in, this checks to make sure Grabbit will work with your version of OS X.

If you do not add it, Grabbit will stop working after an OS X update.</source>
        <translation>Bei jeder Anmeldung prüft dieses Programm, ob Grabbit mit Ihrer Version von OS X funktioniert.

Wenn Sie es nicht hinzufügen, funktioniert Grabbit nach einem Update von OS X nicht mehr.</translation>
    </message>
    <message>
        <source>Grabbit Installed</source>
        <translation>Grabbit installiert</translation>
    </message>
    <message>
        <source>Help</source>
        <translation>Hilfe</translation>
    </message>
    <message>
        <source>Install the Grabbit</source>
        <translation>Grabbit installieren</translation>
    </message>
    <message>
        <source>Install</source>
        <translation>Installieren</translation>
    </message>
    <message>
        <source>Mail failed to Quit. Please quit Mail manually and try again.</source>
        <translation>Mail konnte nicht beendet werden. Bitte beenden Sie Mail selbst und versuchen Sie es erneut.</translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to be uninstalled.</source>
        <translation>Mail wird beendet und wieder geöffnet, um den Grabbit zu entfernen.</translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to begin working.</source>
        <translation>Mail wird beendet und wieder geöffnet, damit der Grabbit seine Arbeit aufnimmt.</translation>
    </message>
    <message>
        <source>Mail will need to be quit and reopened for the Grabbit to keep working.</source>
        <translation>Mail wird beendet und wieder geöffnet, damit der Grabbit weiter funktioniert.</translation>
    </message>
    <message>
        <source>Quit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Remove</source>
        <translation>Entfernen</translation>
    </message>
    <message>
        <source>Taskwell Grabbit needs to be updated.</source>
        <translation>Der Taskwell Grabbit muss aktualisiert werden.</translation>
    </message>
    <message>
        <source>Taskwell Grabbit</source>
        <translation>Taskwell Grabbit</translation>
    </message>
    <message>
        <source>The Grabbit installer is damaged: its plug-in archive is missing.</source>
        <translation>Das Installationsprogramm des Grabbit ist beschädigt: Das Archiv der Erweiterung fehlt.</translation>
    </message>
    <message>
        <source>The Grabbit is up to date.</source>
        <translation>Der Grabbit ist auf dem neuesten Stand.</translation>
    </message>
    <message>
        <source>The Taskwell Grabbit Deluxe allows Taskwell to clip complete messages directly from Mail.</source>
        <translation>Mit dem Taskwell Grabbit Deluxe übernimmt Taskwell vollständige E-Mails direkt aus Mail.</translation>
    </message>
    <message>
        <source>The Taskwell Grabbit is no longer required.</source>
        <translation>Der Taskwell Grabbit wird nicht mehr benötigt.</translation>
    </message>
    <message>
        <source>The plug-in couldn’t be unpacked: %1.</source>
        <translation>Die Erweiterung konnte nicht entpackt werden: %1.</translation>
    </message>
    <message>
        <source>Unable to update Mail preferences.</source>
        <translation>Die Einstellungen von Mail konnten nicht geändert werden.</translation>
    </message>
    <message>
        <source>Uninstall and Show in Finder</source>
        <translation>Entfernen und im Finder zeigen</translation>
    </message>
    <message>
        <source>Update Grabbit</source>
        <translation>Grabbit aktualisieren</translation>
    </message>
    <message>
        <source>Update the Grabbit</source>
        <translation>Grabbit aktualisieren</translation>
    </message>
    <message>
        <source>Update</source>
        <translation>Aktualisieren</translation>
    </message>
    <message>
        <source>Would you like to add the Login Item?</source>
        <translation>Möchten Sie das Anmeldeobjekt hinzufügen?</translation>
    </message>
    <message>
        <source>unzip exited with status %1</source>
        <translation>unzip wurde mit dem Status %1 beendet</translation>
    </message>
    <message>
        <source>Taskwell clips from Mail on macOS High Sierra without the Grabbit. If you’d like, we’ll automatically uninstall it and then show this updater app in Finder so that you can move it to the Trash.
</source>
        <translation>Unter macOS High Sierra übernimmt Taskwell E-Mails auch ohne den Grabbit. Auf Wunsch entfernen wir ihn automatisch und zeigen dieses Programm anschließend im Finder, damit Sie es in den Papierkorb legen können.
</translation>
    </message>
    <message>
        <source>HOME is not set: Grabbit needs your home folder to find Mail&apos;s plug-ins and preferences.</source>
        <translation>HOME ist nicht gesetzt: Grabbit braucht Ihren Benutzerordner, um die Plug-ins und Einstellungen von Mail zu finden.</translation>
    </message>
    <message>
        <source>HOME is not usable: its name is not valid UTF-8.</source>
        <translation>HOME ist nicht verwendbar: Sein Name ist kein gültiges UTF-8.</translation>
    </message>
    <message>
        <source>HOME is not usable: “%1” is not an absolute path.</source>
        <translation>HOME ist nicht verwendbar: „%1“ ist kein absoluter Pfad.</translation>
    </message>
    <message>
        <source>HOME is not usable: “%1” is not an existing folder.</source>
        <translation>HOME ist nicht verwendbar: „%1“ ist kein vorhandener Ordner.</translation>
    </message>
    <message>
        <source>Click Install in Grabbit (or run “grabbitctl install”).</source>
        <translation>Klicken Sie in Grabbit auf „Installieren“ (oder führen Sie „grabbitctl install“ aus).</translation>
    </message>
    <message>
        <source>Click Remove in Grabbit (or run “grabbitctl remove”) and move Grabbit to the Trash. Nothing else listed here needs mending.</source>
        <translation>Klicken Sie in Grabbit auf „Entfernen“ (oder führen Sie „grabbitctl remove“ aus) und legen Sie Grabbit in den Papierkorb. Alles andere, was hier steht, muss dann nicht mehr behoben werden.</translation>
    </message>
    <message>
        <source>Click Update in Grabbit (or run “grabbitctl install”).</source>
        <translation>Klicken Sie in Grabbit auf „Aktualisieren“ (oder führen Sie „grabbitctl install“ aus).</translation>
    </message>
    <message>
        <source>Loading plug-ins is switched off in Mail’s preferences.</source>
        <translation>Das Laden von Plug-ins ist in den Einstellungen von Mail ausgeschaltet.</translation>
    </message>
    <message>
        <source>Mail cannot be found: there is no Mail in the Applications folders.</source>
        <translation>Mail ist nicht auffindbar: In den Programme-Ordnern gibt es kein Mail.</translation>
    </message>
    <message>
        <source>Mail has been running since before the Grabbit plug-in was last installed or changed, so it has not loaded it yet.</source>
        <translation>Mail wurde geöffnet, bevor das Grabbit-Plug-in zuletzt installiert oder geändert wurde, und hat es deshalb noch nicht geladen.</translation>
    </message>
    <message>
        <source>Mail has set the Grabbit plug-in aside in %1: it was not made ready for this version of Mail, which usually happens after a Mail or macOS update.</source>
        <translation>Mail hat das Grabbit-Plug-in in %1 beiseitegelegt: Es war nicht für diese Version von Mail vorbereitet. Das geschieht meist nach einem Update von Mail oder macOS.</translation>
    </message>
    <message>
        <source>Mail should load the Grabbit plug-in: nothing is in its way.</source>
        <translation>Mail sollte das Grabbit-Plug-in laden: Nichts steht dem im Weg.</translation>
    </message>
    <message>
        <source>Mail’s preferences (the file %1) are missing or cannot be read, so plug-ins cannot be switched on in them.</source>
        <translation>Die Einstellungen von Mail (die Datei %1) fehlen oder können nicht gelesen werden, deshalb lassen sich Plug-ins darin nicht einschalten.</translation>
    </message>
    <message>
        <source>Mail’s preferences accept only plug-ins of an older kind, not the Grabbit.</source>
        <translation>Die Einstellungen von Mail lassen nur Plug-ins einer älteren Art zu, nicht aber den Grabbit.</translation>
    </message>
    <message>
        <source>Move Grabbit to the Trash. Nothing else listed here needs mending.</source>
        <translation>Legen Sie Grabbit in den Papierkorb. Alles andere, was hier steht, muss dann nicht mehr behoben werden.</translation>
    </message>
    <message>
        <source>Open Mail once and quit it, so that it writes its preferences. Then run “grabbitctl install”.</source>
        <translation>Öffnen Sie Mail einmal und beenden Sie es wieder, damit es seine Einstellungen schreibt. Führen Sie danach „grabbitctl install“ aus.</translation>
    </message>
    <message>
        <source>Put Mail back into the Applications folder (reinstalling macOS brings it back), then run “grabbitctl doctor” again.</source>
        <translation>Legen Sie Mail zurück in den Ordner „Programme“ (eine Neuinstallation von macOS bringt es zurück) und führen Sie dann „grabbitctl doctor“ erneut aus.</translation>
    </message>
    <message>
        <source>Quit Mail and open it again.</source>
        <translation>Beenden Sie Mail und öffnen Sie es erneut.</translation>
    </message>
    <message>
        <source>Run “grabbitctl install” to put a fresh copy in place (Mail is quit and reopened).</source>
        <translation>Führen Sie „grabbitctl install“ aus, um eine frische Kopie zu installieren (Mail wird dafür beendet und wieder geöffnet).</translation>
    </message>
    <message>
        <source>Run “grabbitctl install”: it lets Mail accept the Grabbit and reopens Mail.</source>
        <translation>Führen Sie „grabbitctl install“ aus: Es lässt Mail den Grabbit annehmen und öffnet Mail erneut.</translation>
    </message>
    <message>
        <source>Run “grabbitctl install”: it switches plug-ins on and reopens Mail.</source>
        <translation>Führen Sie „grabbitctl install“ aus: Es schaltet Plug-ins ein und öffnet Mail erneut.</translation>
    </message>
    <message>
        <source>Set HOME to your home folder (or log out and back in), then run “grabbitctl doctor” again.</source>
        <translation>Setzen Sie HOME auf Ihren Benutzerordner (oder melden Sie sich ab und wieder an) und führen Sie dann „grabbitctl doctor“ erneut aus.</translation>
    </message>
    <message>
        <source>The Grabbit plug-in is not installed, so Mail has nothing to load.</source>
        <translation>Das Grabbit-Plug-in ist nicht installiert, Mail hat also nichts zu laden.</translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in (version %1) is older than the one this Grabbit brings (version %2).</source>
        <translation>Das installierte Grabbit-Plug-in (Version %1) ist älter als das, welches dieser Grabbit mitbringt (Version %2).</translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is damaged: its description (Info.plist) cannot be read.</source>
        <translation>Das installierte Grabbit-Plug-in ist beschädigt: Seine Beschreibung (Info.plist) kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is damaged: its program file is missing or cannot be read.</source>
        <translation>Das installierte Grabbit-Plug-in ist beschädigt: Seine Programmdatei fehlt oder kann nicht gelesen werden.</translation>
    </message>
    <message>
        <source>The installed Grabbit plug-in is not made ready for this version of Mail (usually after a Mail or macOS update), so Mail sets it aside instead of loading it.</source>
        <translation>Das installierte Grabbit-Plug-in ist nicht für diese Version von Mail vorbereitet (meist nach einem Update von Mail oder macOS), deshalb legt Mail es beiseite, statt es zu laden.</translation>
    </message>
    <message>
        <source>This Mac runs macOS 10.13 or later, where Taskwell takes whole messages from Mail without the Grabbit: the plug-in is no longer needed.</source>
        <translation>Auf diesem Mac läuft macOS 10.13 oder neuer, wo Taskwell vollständige E-Mails ohne den Grabbit aus Mail übernimmt: Das Plug-in wird nicht mehr benötigt.</translation>
    </message>
    <message>
        <source>“%1”</source>
        <translation>„%1“</translation>
    </message>
    <message>
        <source>the disk is full</source>
        <translation>die Festplatte ist voll</translation>
    </message>
    <message>
        <source>you don’t have permission to write in the folder “%1”</source>
        <translation>Sie haben keine Berechtigung, in den Ordner „%1“ zu schreiben</translation>
    </message>
</context>
</TS>
