<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="fr">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Taille de l&apos;image</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Largeur :</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Hauteur :</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Conserver les proportions</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Annuler</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Fichier</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>É&amp;dition</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Aide</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Ouvrir une nouvelle image</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Enregistrer</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Enregistrer le brouillon</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Enregistrer l&apos;animation...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Taille de l&apos;image</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Annuler</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rétablir</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Rétablir l&apos;original</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copier l&apos;image</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimer...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Zoom arrière</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Zoom avant</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Sélectionner une zone à découper</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Découper la sélection</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Imprimer l&apos;œuvre</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Envoyer l&apos;œuvre à un ami</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>En ligne</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>FAQ</translation>
    </message>
    <message>
        <source>About</source>
        <translation>À propos</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Dilater</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Contracter</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Dextrogyre</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Lévogyre</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Étaler</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Faire un croquis à la plume</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Faire un croquis au crayon</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Nettoyer les taches</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Gomme</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Rayon</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Force</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Plume    Pression :</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Crayon    Contraste :</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Pour le croquis ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Épaisseur gomme :</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Cliquez ou maintenez enfoncé</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Maintenez enfoncé et déplacez</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Vous sélectionnez une zone à découper </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Erreur de dépassement de plage</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Division par zéro en virgule flottante</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Opération en virgule flottante non valide</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Mémoire insuffisante pour terminer cette opération. Rien n&apos;a été modifié.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Veuillez saisir un nombre entier valide.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Les étapes les plus anciennes ont été retirées de l&apos;historique pour économiser la mémoire.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(pas d&apos;aperçu)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, qui transmet le courrier au logiciel de messagerie, n&apos;est pas installé</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>le destinataire n&apos;est pas une adresse électronique</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email s&apos;est arrêté de façon inattendue</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email a signalé l&apos;échec %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>xdg-email n&apos;a pas pu être lancé</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Grands yeux</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Gros nez</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Petit menton</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Extraterrestre</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Sourire tordu</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Yeux étourdis</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Visage allongé</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Visage écrasé</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Grosses joues</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Visage mince</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Bouche qui fond</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>Aucun visage n&apos;a été trouvé dans l&apos;image.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>À propos</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>&amp;Visage drôle</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Encore</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Encore : %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Recherche des visages...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Aide de Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Précédent</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Suivant</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Quitter</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>Le fichier %1 existe déjà.
Voulez-vous le remplacer ?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Remplacer</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Ouvrir</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Enregistrer sous</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Enregistrer l&apos;animation</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>GIF animé (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>L&apos;image contient des modifications non enregistrées.
Voulez-vous les enregistrer ?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Rien à ouvrir : seuls des fichiers image (%1) peuvent être déposés ici.</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Joindre aussi l&apos;animation de votre retouche (mywork.gif) ?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Affichage</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajuster à la fenêtre</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copier</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copier l&apos;image</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Coller</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimer...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Fichiers récents</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Vider la liste</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>Le fichier %1 n&apos;existe plus ; il a été retiré des fichiers récents.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Outils</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Déformer</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Tourbillon</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Croquis</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Sphérique</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Vertical</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Horizontal</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Outils</translation>
    </message>
</context>
</TS>
