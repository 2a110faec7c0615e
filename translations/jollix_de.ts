<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="de">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Breite:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>Pixel</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Höhe:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Seitenverhältnis beibehalten</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Abbrechen</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Datei</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Bearbeiten</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Hilfe</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Ein neues Bild öffnen</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Speichern</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Entwurf speichern</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Animation speichern...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Bildgröße</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Rückgängig</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Wiederholen</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Zurücksetzen</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Bild kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Ansicht verkleinern</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Ansicht vergrößern</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Einen Bereich zum Ausschneiden wählen</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Auswahl ausschneiden</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Das Werk drucken</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Das Werk einem Freund mailen</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Häufige Fragen</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Über</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Ausdehnen</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Zusammenziehen</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Rechtsdrehend</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Linksdrehend</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Verwischen</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Federzeichnung erstellen</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Bleistiftzeichnung erstellen</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Flecken entfernen</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Radiergummi</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Rad.</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Stärke</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Feder    Druck:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Bleistift    Kontrast:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Für die Skizze ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Radierer-Stärke:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Klicken oder gedrückt halten</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Gedrückt halten und bewegen</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Sie wählen einen Bereich zum Ausschneiden </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Bereichsüberschreitung</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Gleitkommadivision durch null</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Ungültige Gleitkommaoperation</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Der Speicher reicht nicht, um diesen Vorgang abzuschließen. Es wurde nichts geändert.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Bitte geben Sie eine gültige ganze Zahl ein.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Ältere Schritte wurden aus dem Verlauf entfernt, um Speicher zu sparen.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(keine Vorschau)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, das E-Mails an das Mailprogramm übergibt, ist nicht installiert</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>der Empfänger ist keine E-Mail-Adresse</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email wurde unerwartet beendet</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email meldete Fehler %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>xdg-email konnte nicht gestartet werden</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Große Augen</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Große Nase</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Winziges Kinn</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Außerirdischer</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Schiefes Grinsen</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Schwindelige Augen</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Langes Gesicht</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Plattes Gesicht</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Pausbacken</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Schmales Gesicht</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Schmelzender Mund</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>Im Bild wurde kein Gesicht gefunden.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>Über uns</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>&amp;Lustiges Gesicht</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Nochmal</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Nochmal: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Gesichter werden gesucht...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Jollix-Hilfe</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Zurück</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Vor</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Beenden</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>Die Datei %1 existiert bereits.
Möchten Sie sie ersetzen?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Ersetzen</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Öffnen</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Speichern unter</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Animation speichern</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>Animiertes GIF (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>Das Bild hat Änderungen, die nicht gespeichert wurden.
Möchten Sie sie speichern?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Nichts zu öffnen: Hier können nur Bilddateien (%1) abgelegt werden.</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Die Animation Ihrer Bearbeitung (mywork.gif) auch anhängen?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ansicht</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>An Fenster anpassen</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopieren</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Bild kopieren</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Einfügen</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drucken...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Zuletzt geöffnet</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Liste leeren</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>Die Datei %1 ist nicht mehr vorhanden; sie wurde aus der Liste der zuletzt geöffneten Dateien entfernt.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Verzerren</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Drehen</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Skizze</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Kugelförmig</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Vertikal</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Werkzeuge</translation>
    </message>
</context>
</TS>
