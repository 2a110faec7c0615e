<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ru">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>Размер изображения</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>Ширина:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>пикселей</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>Высота:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>Сохранять пропорции</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>ОК</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>Отмена</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>&amp;Файл</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>&amp;Правка</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>&amp;Справка</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>Открыть новое изображение</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>Сохранить</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>Сохранить черновик</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>Сохранить анимацию...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>Размер изображения</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>Отменить</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>Повторить</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>Вернуть исходное</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>По размеру окна</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Копировать изображение</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Печать...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>Уменьшить масштаб</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>Увеличить масштаб</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>Выделить область для обрезки</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>Обрезать по выделению</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>Напечатать работу</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>Отправить работу другу</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>В сети</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>Вопросы и ответы</translation>
    </message>
    <message>
        <source>About</source>
        <translation>О программе</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>Раздуть</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>Сжать</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>По часовой стрелке</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>Против часовой стрелки</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>Размазать</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>Сделать рисунок пером</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>Сделать рисунок карандашом</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>Убрать пятна</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>Ластик</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>Рад.</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>Сила</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>Перо    Нажим:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>Карандаш    Контраст:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == Для эскиза ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>Толщина ластика:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>Щёлкните или удерживайте</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>Удерживайте и двигайте</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>Вы выделяете область для обрезки </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>Ошибка проверки диапазона</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>Деление на ноль с плавающей точкой</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>Недопустимая операция с плавающей точкой</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>Недостаточно памяти для завершения операции. Ничего не изменено.</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>Введите правильное целое число.</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>Старые шаги удалены из истории для экономии памяти.</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(нет предпросмотра)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>xdg-email, передающий письмо почтовой программе, не установлен</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>получатель не является адресом электронной почты</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email неожиданно завершился</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email сообщил об ошибке %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>не удалось запустить xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>Большие глаза</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>Большой нос</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>Крошечный подбородок</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>Инопланетянин</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>Кривая ухмылка</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>Кружащиеся глаза</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>Вытянутое лицо</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>Сплющенное лицо</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>Толстые щёки</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>Узкое лицо</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>Тающий рот</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>На изображении не найдено лиц.</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>О программе</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>Смешное &amp;лицо</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>Ещё раз</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>Ещё раз: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>Поиск лиц...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Справка Jollix</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>Назад</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>Вперёд</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>Выход</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>Файл %1 уже существует.
Заменить его?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>Заменить</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>Открыть</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>Сохранить как</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>Сохранить анимацию</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>Анимированный GIF (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>В изображении есть несохранённые изменения.
Сохранить их?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>Нечего открыть: сюда можно перетаскивать только файлы изображений (%1).</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>Приложить также анимацию правки (mywork.gif)?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>&amp;Вид</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>По размеру окна</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>Копировать</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>Копировать изображение</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>Вставить</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>Печать...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>Недавние файлы</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>Очистить список</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>Файла %1 больше нет; он удалён из списка недавних файлов.</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Инструменты</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>Искажение</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>Скручивание</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>Эскиз</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>Сферический</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>Вертикальный</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>Горизонтальный</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>Инструменты</translation>
    </message>
</context>
</TS>
