<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="zh_CN">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>图像大小</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>宽度：</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>像素</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高度：</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>保持宽高比</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>确定</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>取消</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>文件(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>编辑(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>帮助(&amp;H)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>打开新图片</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>保存草稿</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>保存动画...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>图像大小</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>撤销</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>重做</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>恢复原图</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>适合窗口</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>复制图片</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>粘贴</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>打印...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>缩小视图</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>放大视图</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>选择要裁剪的区域</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>裁剪所选区域</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>打印作品</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>把作品发邮件给朋友</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>在线</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>常见问题</translation>
    </message>
    <message>
        <source>About</source>
        <translation>关于</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>膨胀</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>收缩</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>顺时针旋转</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>逆时针旋转</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>涂抹</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>生成钢笔素描</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>生成铅笔素描</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>清除斑点</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>橡皮</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>半径</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>强度</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>钢笔    压力：</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>铅笔    对比度：</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == 用于素描 ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>橡皮粗细：</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>单击或按住</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>按住并移动</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>正在选择要裁剪的区域 </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>范围检查错误</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>浮点数除以零</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>无效的浮点运算</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>内存不足，无法完成此操作。未做任何更改。</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>请输入有效的整数。</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>为节省内存，已从历史记录中删除较早的步骤。</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>（无预览）</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>未安装 xdg-email（用于把邮件交给邮件程序）</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>收件人不是邮件地址</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email 意外停止</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email 报告失败 %1</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>无法启动 xdg-email</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>大眼睛</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>大鼻子</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>小下巴</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>外星人</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>歪嘴笑</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>晕眩眼</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>长脸</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>扁脸</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>胖脸颊</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>瘦脸</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>融化的嘴</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>图片中未找到人脸。</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>关于</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>搞笑脸(&amp;U)</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>再来一次</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>再来一次：%1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>正在查找人脸...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Jollix 帮助</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>后退</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>前进</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>退出</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>文件 %1 已存在。
要替换它吗？</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>替换</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>打开</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>另存为</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>保存动画</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>GIF 动画 (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>图片有尚未保存的更改。
要保存吗？</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>没有可打开的内容：这里只能拖放图片文件（%1）。</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>同时附上编辑过程的动画 (mywork.gif) 吗？</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>视图(&amp;V)</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>适合窗口</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>复制</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>复制图片</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>粘贴</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>打印...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>最近的文件</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>清空列表</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>文件 %1 已不存在，已从最近的文件中移除。</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>变形</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>旋转</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>素描</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>球形</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>垂直</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>水平</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>工具</translation>
    </message>
</context>
</TS>
