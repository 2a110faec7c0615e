<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="it">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Dimensioni immagine</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Larghezza:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>pixel</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Altezza:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Mantieni proporzioni</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annulla</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;File</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Modifica</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aiuto</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Apri</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Apri una nuova immagine</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salva</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Salva la bozza</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Salva animazione...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Dimensioni immagine</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annulla</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Ripeti</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Ripristina</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Visualizza</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Adatta alla finestra</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copia</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copia l&apos;immagine</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Incolla</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Stampa...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Riduci la vista</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Ingrandisci la vista</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Seleziona una zona da ritagliare</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Ritaglia la selezione</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Stampa il lavoro</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Invia il lavoro a un amico</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Domande frequenti</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Informazioni</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Espandi</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Restringi</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Destrogiro</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Levogiro</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Sfuma</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Crea uno schizzo a penna</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Crea uno schizzo a matita</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Pulisci le macchie</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Gomma</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Raggio</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Forza</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Penna    Pressione:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Matita    Contrasto:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Per lo schizzo ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Spessore gomma:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Fai clic o tieni premuto</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Tieni premuto e muovi</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Stai selezionando una zona da ritagliare </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Errore di controllo dell&apos;intervallo</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Divisione in virgola mobile per zero</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Operazione in virgola mobile non valida</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Memoria insufficiente per completare l&apos;operazione. Non è stato modificato nulla.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Inserisci un numero intero valido.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>I passaggi più vecchi sono stati rimossi dalla cronologia per risparmiare memoria.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(nessuna anteprima)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, che passa la posta al programma di posta, non è installato</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>il destinatario non è un indirizzo di posta</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email si è interrotto inaspettatamente</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email ha segnalato l&apos;errore %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>impossibile avviare xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Occhi grandi</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Naso grande</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Mento minuscolo</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Alieno</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Ghigno storto</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Occhi storditi</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Faccia lunga</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Faccia schiacciata</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Guance paffute</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Faccia sottile</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Bocca che si scioglie</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>Nessun volto trovato nell&apos;immagine.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>Informazioni</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>&amp;Faccia buffa</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Ancora</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Ancora: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Ricerca dei volti...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Guida di Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Indietro</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Avanti</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Esci</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>Il file %1 esiste già.
Vuoi sostituirlo?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Sostituisci</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Apri</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Salva con nome</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Salva animazione</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>GIF animata (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>L&apos;immagine ha modifiche non salvate.
Vuoi salvarle?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Niente da aprire: qui si possono rilasciare solo file immagine (%1).</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Allegare anche l&apos;animazione della modifica (mywork.gif)?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Visualizza</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Adatta alla finestra</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copia</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copia l&apos;immagine</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Incolla</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Stampa...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>File recenti</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Svuota l&apos;elenco</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>Il file %1 non esiste più; è stato tolto dai file recenti.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Strumenti</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Deforma</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Vortice</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Schizzo</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Sferico</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Verticale</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Orizzontale</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Strumenti</translation>
    </message>
</context>
</TS>
