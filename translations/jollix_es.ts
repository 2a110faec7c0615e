<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="es">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Tamaño de imagen</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Ancho:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>píxeles</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Alto:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Mantener proporción</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>Aceptar</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Cancelar</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Archivo</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;yuda</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Abrir una imagen nueva</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Guardar</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Guardar el borrador</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Guardar animación...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Tamaño de imagen</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Deshacer</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Rehacer</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Restaurar</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajustar a la ventana</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copiar la imagen</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Pegar</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimir...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Alejar la vista</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Acercar la vista</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Seleccionar una zona para recortar</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Recortar la selección</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Imprimir la obra</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Enviar la obra a un amigo</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>En línea</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Preguntas frecuentes</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Acerca de</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Expandir</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Contraer</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Dextrógiro</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Levógiro</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Difuminar</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Hacer un boceto a pluma</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Hacer un boceto a lápiz</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Limpiar manchas</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Goma</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Radio</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Fuerza</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Pluma    Presión:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Lápiz    Contraste:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Para el boceto ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Grosor de goma:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Haga clic o mantenga pulsado</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Mantenga pulsado y mueva</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Está seleccionando una zona para recortar </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Error de comprobación de rango</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>División de coma flotante por cero</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Operación de coma flotante no válida</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>No hay memoria suficiente para terminar esta operación. No se ha cambiado nada.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Introduzca un número entero válido.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Se han quitado los pasos más antiguos del historial para ahorrar memoria.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(sin vista previa)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, que entrega el correo al programa de correo, no está instalado</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>el destinatario no es una dirección de correo</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email se detuvo inesperadamente</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email informó del fallo %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>no se pudo iniciar xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Ojos grandes</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Nariz grande</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Barbilla diminuta</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Alienígena</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Sonrisa torcida</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Ojos mareados</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Cara larga</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Cara aplastada</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Mejillas gordas</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Cara delgada</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Boca derretida</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>No se encontró ninguna cara en la imagen.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>Acerca de</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>Cara &amp;divertida</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Otra vez</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Otra vez: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Buscando caras...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Ayuda de Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Atrás</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Adelante</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Salir</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>El archivo %1 ya existe.
¿Desea reemplazarlo?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Reemplazar</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Guardar como</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Guardar animación</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>GIF animado (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>La imagen tiene cambios sin guardar.
¿Desea guardarlos?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Nada que abrir: aquí solo se pueden soltar archivos de imagen (%1).</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>¿Adjuntar también la animación de su edición (mywork.gif)?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Ver</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajustar a la ventana</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copiar la imagen</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Pegar</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimir...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Archivos recientes</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Vaciar la lista</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>El archivo %1 ya no existe; se ha quitado de los archivos recientes.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Herramientas</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Deformar</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Torcer</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Boceto</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Esférico</translation>
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
        <translation>Herramientas</translation>
    </message>
</context>
</TS>
