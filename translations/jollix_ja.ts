<?xml version="1.0" encoding="utf-8"?>
<!DOCTYPE TS>
<TS version="2.1" language="ja">
<context>
    <name>ImageSizeDialog</name>
    <message>
        <source>Image_Size</source>
        <translation>画像サイズ</translation>
    </message>
    <message>
        <source>Width:</source>
        <translation>幅:</translation>
    </message>
    <message>
        <source>Pixels</source>
        <translation>ピクセル</translation>
    </message>
    <message>
        <source>Height:</source>
        <translation>高さ:</translation>
    </message>
    <message>
        <source>Hold in width and height</source>
        <translation>縦横比を保持</translation>
    </message>
    <message>
        <source>OK</source>
        <translation>OK</translation>
    </message>
    <message>
        <source>Cancel</source>
        <translation>キャンセル</translation>
    </message>
</context>
<context>
    <name>jollix</name>
    <message>
        <source>&amp;File</source>
        <translation>ファイル(&amp;F)</translation>
    </message>
    <message>
        <source>&amp;Edit</source>
        <translation>編集(&amp;E)</translation>
    </message>
    <message>
        <source>&amp;Help</source>
        <translation>ヘルプ(&amp;H)</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Open a new picture</source>
        <translation>新しい画像を開く</translation>
    </message>
    <message>
        <source>Save</source>
        <translation>保存</translation>
    </message>
    <message>
        <source>Save the draft</source>
        <translation>下書きを保存</translation>
    </message>
    <message>
        <source>Save animation...</source>
        <translation>アニメーションを保存...</translation>
    </message>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>Image Size</source>
        <translation>画像サイズ</translation>
    </message>
    <message>
        <source>Undo</source>
        <translation>元に戻す</translation>
    </message>
    <message>
        <source>Redo</source>
        <translation>やり直し</translation>
    </message>
    <message>
        <source>Renew</source>
        <translation>元の画像に戻す</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>ウィンドウに合わせる</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>画像をコピー</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼り付け</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>印刷...</translation>
    </message>
    <message>
        <source>Zoom out the view</source>
        <translation>表示を縮小</translation>
    </message>
    <message>
        <source>Zoom in the view</source>
        <translation>表示を拡大</translation>
    </message>
    <message>
        <source>Select a zone to cut</source>
        <translation>切り抜く範囲を選択</translation>
    </message>
    <message>
        <source>Cut out the selection</source>
        <translation>選択範囲で切り抜く</translation>
    </message>
    <message>
        <source>Print the work</source>
        <translation>作品を印刷</translation>
    </message>
    <message>
        <source>Mail the work to a friend</source>
        <translation>作品を友だちにメールで送る</translation>
    </message>
    <message>
        <source>Online</source>
        <translation>オンライン</translation>
    </message>
    <message>
        <source>F.A.Q.</source>
        <translation>よくある質問</translation>
    </message>
    <message>
        <source>About</source>
        <translation>バージョン情報</translation>
    </message>
    <message>
        <source>Expand</source>
        <translation>膨らませる</translation>
    </message>
    <message>
        <source>Shrink</source>
        <translation>縮める</translation>
    </message>
    <message>
        <source>Dextrorotary</source>
        <translation>右回り</translation>
    </message>
    <message>
        <source>Levorotary</source>
        <translation>左回り</translation>
    </message>
    <message>
        <source>Smear</source>
        <translation>こする</translation>
    </message>
    <message>
        <source>Make pen sketch</source>
        <translation>ペン画にする</translation>
    </message>
    <message>
        <source>Make pencil sketch</source>
        <translation>鉛筆画にする</translation>
    </message>
    <message>
        <source>Clear up spot</source>
        <translation>しみを消す</translation>
    </message>
    <message>
        <source>Rubber</source>
        <translation>消しゴム</translation>
    </message>
    <message>
        <source>Rad.</source>
        <translation>半径</translation>
    </message>
    <message>
        <source>Cur.</source>
        <translation>強さ</translation>
    </message>
    <message>
        <source>Pen    Pressure:</source>
        <translation>ペン    筆圧:</translation>
    </message>
    <message>
        <source>Pencil    Contrast:</source>
        <translation>鉛筆    コントラスト:</translation>
    </message>
    <message>
        <source>  == Follows for sketch ==    </source>
        <translation>  == スケッチ用 ==    </translation>
    </message>
    <message>
        <source>Rubber thick:</source>
        <translation>消しゴムの太さ:</translation>
    </message>
    <message>
        <source>Click or Keep Down</source>
        <translation>クリックまたは押したまま</translation>
    </message>
    <message>
        <source>Keep Down and move</source>
        <translation>押したまま動かす</translation>
    </message>
    <message>
        <source>You are selecting a zone to cut </source>
        <translation>切り抜く範囲を選択しています </translation>
    </message>
    <message>
        <source>Range check error</source>
        <translation>範囲チェック エラー</translation>
    </message>
    <message>
        <source>Floating point division by zero</source>
        <translation>浮動小数点のゼロ除算</translation>
    </message>
    <message>
        <source>Invalid floating point operation</source>
        <translation>無効な浮動小数点演算</translation>
    </message>
    <message>
        <source>There is not enough memory to finish this operation. Nothing was changed.</source>
        <translation>この操作を完了するためのメモリが足りません。何も変更されていません。</translation>
    </message>
    <message>
        <source>Please input a valid integer value.</source>
        <translation>有効な整数を入力してください。</translation>
    </message>
    <message>
        <source>Older steps were dropped from the history to save memory.</source>
        <translation>メモリを節約するため、古い手順を履歴から削除しました。</translation>
    </message>
    <message>
        <source>(no preview)</source>
        <translation>(プレビューなし)</translation>
    </message>
    <message>
        <source>xdg-email, which hands mail to the mail program, is not installed</source>
        <translation>メールをメール プログラムに渡す xdg-email がインストールされていません</translation>
    </message>
    <message>
        <source>the recipient is not a mail address</source>
        <translation>宛先がメール アドレスではありません</translation>
    </message>
    <message>
        <source>xdg-email stopped unexpectedly</source>
        <translation>xdg-email が予期せず停止しました</translation>
    </message>
    <message>
        <source>xdg-email reported failure %1</source>
        <translation>xdg-email がエラー %1 を報告しました</translation>
    </message>
    <message>
        <source>xdg-email could not be started</source>
        <translation>xdg-email を起動できませんでした</translation>
    </message>
    <message>
        <source>Big eyes</source>
        <translation>大きな目</translation>
    </message>
    <message>
        <source>Big nose</source>
        <translation>大きな鼻</translation>
    </message>
    <message>
        <source>Tiny chin</source>
        <translation>小さなあご</translation>
    </message>
    <message>
        <source>Alien</source>
        <translation>宇宙人</translation>
    </message>
    <message>
        <source>Twisted grin</source>
        <translation>ゆがんだ笑顔</translation>
    </message>
    <message>
        <source>Dizzy eyes</source>
        <translation>目が回る</translation>
    </message>
    <message>
        <source>Long face</source>
        <translation>長い顔</translation>
    </message>
    <message>
        <source>Squashed face</source>
        <translation>つぶれた顔</translation>
    </message>
    <message>
        <source>Fat cheeks</source>
        <translation>ふくらんだほお</translation>
    </message>
    <message>
        <source>Thin face</source>
        <translation>細い顔</translation>
    </message>
    <message>
        <source>Melting mouth</source>
        <translation>とける口</translation>
    </message>
    <message>
        <source>No face was found in the picture.</source>
        <translation>画像に顔が見つかりませんでした。</translation>
    </message>
</context>
<context>
    <name>jollix::AboutBox</name>
    <message>
        <source>About_us</source>
        <translation>このプログラムについて</translation>
    </message>
</context>
<context>
    <name>jollix::FunnyFaceMenu</name>
    <message>
        <source>F&amp;unny face</source>
        <translation>おもしろ顔(&amp;U)</translation>
    </message>
    <message>
        <source>Again</source>
        <translation>もう一度</translation>
    </message>
    <message>
        <source>Again: %1</source>
        <translation>もう一度: %1</translation>
    </message>
    <message>
        <source>Looking for faces...</source>
        <translation>顔を探しています...</translation>
    </message>
</context>
<context>
    <name>jollix::HelpWindow</name>
    <message>
        <source>Jollix help</source>
        <translation>Jollix ヘルプ</translation>
    </message>
    <message>
        <source>Back</source>
        <translation>戻る</translation>
    </message>
    <message>
        <source>Forward</source>
        <translation>進む</translation>
    </message>
</context>
<context>
    <name>jollix::MainWindow</name>
    <message>
        <source>Exit</source>
        <translation>終了</translation>
    </message>
    <message>
        <source>The file %1 already exists.
Do you want to replace it?</source>
        <translation>ファイル %1 は既に存在します。
置き換えますか?</translation>
    </message>
    <message>
        <source>Replace</source>
        <translation>置き換え</translation>
    </message>
    <message>
        <source>Open</source>
        <translation>開く</translation>
    </message>
    <message>
        <source>Save As</source>
        <translation>名前を付けて保存</translation>
    </message>
    <message>
        <source>Save animation</source>
        <translation>アニメーションを保存</translation>
    </message>
    <message>
        <source>Animated GIF (*.gif)</source>
        <translation>アニメーション GIF (*.gif)</translation>
    </message>
    <message>
        <source>The picture has changes that have not been saved.
Do you want to save them?</source>
        <translation>画像に保存されていない変更があります。
保存しますか?</translation>
    </message>
    <message>
        <source>Nothing to open: only picture files (%1) can be dropped here.</source>
        <translation>開けるものがありません: ここにドロップできるのは画像ファイル (%1) だけです。</translation>
    </message>
    <message>
        <source>Attach the animation of your edit (mywork.gif) as well?</source>
        <translation>編集のアニメーション (mywork.gif) も添付しますか?</translation>
    </message>
    <message>
        <source>&amp;View</source>
        <translation>表示(&amp;V)</translation>
    </message>
    <message>
        <source>Fit to window</source>
        <translation>ウィンドウに合わせる</translation>
    </message>
    <message>
        <source>Copy</source>
        <translation>コピー</translation>
    </message>
    <message>
        <source>Copy picture</source>
        <translation>画像をコピー</translation>
    </message>
    <message>
        <source>Paste</source>
        <translation>貼り付け</translation>
    </message>
    <message>
        <source>Print...</source>
        <translation>印刷...</translation>
    </message>
    <message>
        <source>Recent files</source>
        <translation>最近使ったファイル</translation>
    </message>
    <message>
        <source>Clear the list</source>
        <translation>一覧を消去</translation>
    </message>
    <message>
        <source>The file %1 is no longer there; it has been taken off the recent files.</source>
        <translation>ファイル %1 はもうありません。最近使ったファイルから外しました。</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>ツール</translation>
    </message>
</context>
<context>
    <name>jollix::ToolPalette</name>
    <message>
        <source>Distort</source>
        <translation>ゆがみ</translation>
    </message>
    <message>
        <source>Twist</source>
        <translation>ねじり</translation>
    </message>
    <message>
        <source>Sketch</source>
        <translation>スケッチ</translation>
    </message>
    <message>
        <source>Spherical</source>
        <translation>球面</translation>
    </message>
    <message>
        <source>Vertical</source>
        <translation>縦</translation>
    </message>
    <message>
        <source>Horizontal</source>
        <translation>横</translation>
    </message>
    <message>
        <source>Tools</source>
        <translation>ツール</translation>
    </message>
</context>
</TS>
