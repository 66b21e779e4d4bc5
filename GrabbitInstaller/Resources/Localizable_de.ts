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
        <source>the disk is full</source>
        <translation>die Festplatte ist voll</translation>
    </message>
    <message>
        <source>you don’t have permission to write in the folder “%1”</source>
        <translation>Sie haben keine Berechtigung, in den Ordner „%1“ zu schreiben</translation>
    </message>
</context>
</TS>
