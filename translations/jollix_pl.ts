<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pl">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Rozmiar obrazu</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Szerokość:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>pikseli</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Wysokość:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Zachowaj proporcje</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Anuluj</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Plik</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Edycja</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>Pomo&amp;c</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otwórz</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Otwórz nowy obraz</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Zapisz</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Zapisz szkic</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Zapisz animację...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Rozmiar obrazu</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Cofnij</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Ponów</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Przywróć oryginał</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Widok</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Dopasuj do okna</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopiuj</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Kopiuj obraz</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Wklej</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drukuj...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Pomniejsz widok</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Powiększ widok</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Zaznacz obszar do wycięcia</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Wytnij zaznaczenie</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Wydrukuj pracę</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Wyślij pracę znajomemu</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Często zadawane pytania</translation>
    </message>
    <message>
        <source>About</source>
        <translation>O programie</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Rozszerz</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Ściśnij</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Prawoskrętny</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Lewoskrętny</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Rozmaż</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Utwórz szkic piórem</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Utwórz szkic ołówkiem</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Usuń plamki</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Gumka</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Prom.</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Siła</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Pióro    Nacisk:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Ołówek    Kontrast:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Do szkicu ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Grubość gumki:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Kliknij lub przytrzymaj</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Przytrzymaj i przesuń</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Zaznaczasz obszar do wycięcia </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Błąd przekroczenia zakresu</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Dzielenie zmiennoprzecinkowe przez zero</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Nieprawidłowa operacja zmiennoprzecinkowa</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Za mało pamięci, by dokończyć tę operację. Nic nie zostało zmienione.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Wpisz poprawną liczbę całkowitą.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Starsze kroki usunięto z historii, aby oszczędzić pamięć.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(brak podglądu)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, który przekazuje pocztę do programu pocztowego, nie jest zainstalowany</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>odbiorca nie jest adresem e-mail</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email nieoczekiwanie się zatrzymał</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email zgłosił błąd %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>nie udało się uruchomić xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Wielkie oczy</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Duży nos</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Malutki podbródek</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Kosmita</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Krzywy uśmiech</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Zawrót oczu</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Długa twarz</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Spłaszczona twarz</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Pucołowate policzki</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Wąska twarz</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Topniejące usta</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>Na obrazie nie znaleziono twarzy.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>O programie</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>Śmieszna &amp;twarz</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Jeszcze raz</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Jeszcze raz: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Szukanie twarzy...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Pomoc Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Wstecz</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Dalej</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Zakończ</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>Plik %1 już istnieje.
Czy chcesz go zastąpić?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Zastąp</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Otwórz</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Zapisz jako</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Zapisz animację</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>Animowany GIF (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>Obraz ma niezapisane zmiany.
Czy chcesz je zapisać?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Nic do otwarcia: tutaj można upuszczać tylko pliki obrazów (%1).</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Dołączyć również animację edycji (mywork.gif)?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Widok</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Dopasuj do okna</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Kopiuj</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Kopiuj obraz</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Wklej</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Drukuj...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Ostatnie pliki</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Wyczyść listę</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>Pliku %1 już nie ma; usunięto go z ostatnich plików.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Narzędzia</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Zniekształć</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Skręć</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Szkic</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Sferyczny</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Pionowy</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Poziomy</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Narzędzia</translation>
    </message>
</context>
</TS>
