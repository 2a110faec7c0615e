<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="pt_BR">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Tamanho da imagem</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Largura:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>pixels</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Altura:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Manter proporção</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
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
        <translation>&amp;Arquivo</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Editar</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>A&amp;juda</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Abrir uma nova imagem</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Salvar</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Salvar o rascunho</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Salvar animação...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Tamanho da imagem</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Desfazer</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Refazer</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Restaurar</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>E&amp;xibir</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajustar à janela</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copiar a imagem</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Colar</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimir...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Diminuir o zoom</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Aumentar o zoom</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Selecionar uma área para recortar</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Recortar a seleção</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Imprimir o trabalho</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Enviar o trabalho a um amigo</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>Online</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Perguntas frequentes</translation>
    </message>
    <message>
        <source>About</source>
        <translation>Sobre</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Expandir</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Contrair</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>Dextrogiro</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Levogiro</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Borrar</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Fazer esboço a caneta</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Fazer esboço a lápis</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Limpar manchas</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Borracha</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Raio</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Força</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Caneta    Pressão:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Lápis    Contraste:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Para o esboço ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Espessura da borracha:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Clique ou mantenha pressionado</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Mantenha pressionado e mova</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Você está selecionando uma área para recortar </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Erro de verificação de intervalo</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Divisão de ponto flutuante por zero</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Operação de ponto flutuante inválida</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Não há memória suficiente para concluir esta operação. Nada foi alterado.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Digite um número inteiro válido.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Os passos mais antigos foram removidos do histórico para economizar memória.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(sem visualização)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>o xdg-email, que entrega o e-mail ao programa de e-mail, não está instalado</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>o destinatário não é um endereço de e-mail</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>o xdg-email parou inesperadamente</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>o xdg-email informou a falha %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>não foi possível iniciar o xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Olhos grandes</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Nariz grande</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Queixo minúsculo</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Alienígena</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Sorriso torto</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Olhos tontos</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Rosto comprido</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Rosto achatado</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Bochechas gordas</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Rosto fino</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Boca derretendo</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>Nenhum rosto foi encontrado na imagem.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>Sobre</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>Cara &amp;engraçada</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>De novo</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>De novo: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Procurando rostos...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Ajuda do Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Voltar</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Avançar</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Sair</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>O arquivo %1 já existe.
Deseja substituí-lo?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Substituir</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Abrir</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Salvar como</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Salvar animação</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>GIF animado (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>A imagem tem alterações não salvas.
Deseja salvá-las?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Nada para abrir: apenas arquivos de imagem (%1) podem ser soltos aqui.</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Anexar também a animação da sua edição (mywork.gif)?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>E&amp;xibir</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>Ajustar à janela</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Copiar</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Copiar a imagem</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Colar</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Imprimir...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Arquivos recentes</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Limpar a lista</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>O arquivo %1 não existe mais; foi removido dos arquivos recentes.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Ferramentas</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Distorcer</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Torcer</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Esboço</translation>
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
        <translation>Ferramentas</translation>
    </message>
</context>
</TS>
