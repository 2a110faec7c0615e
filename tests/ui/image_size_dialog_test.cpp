// The image size dialog as the user sees and drives it.
#include <QApplication>
#include <QCheckBox>
#include <memory>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QToolButton>
#include <QtTest>

#include "core/picture.h"
#include "editor/editor.h"
#include "ui/error_handling.h"
#include "ui/image_size_dialog.h"
#include "window_test_util.h"

using namespace jollix;
using jollix::testing::expectTextsWhole;
using jollix::testing::withFontSize;

namespace {

Picture patterned(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) p.setPixel(x, y, uint32_t(x & 255) | uint32_t(y & 255) << 8 | uint32_t((x + y) & 255) << 16);
    return p;
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

} // namespace

class ImageSizeDialogTest : public QObject {
    Q_OBJECT

    QStringList errors_;
    QStringList messageBoxes_;

    // Clicks OK, answering (and recording) the message box it may show.
    void clickOk(TImage_Size& d) {
        QTimer closer;
        closer.setInterval(20);
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messageBoxes_ << box->text();
                box->accept();
            }
        });
        closer.start();
        QTest::mouseClick(d.Button1, Qt::LeftButton);
    }

private slots:
    void init() {
        errors_.clear();
        messageBoxes_.clear();
        setErrorReporter([this](const QString& m) { errors_ << m; });
    }
    void cleanup() { setErrorReporter({}); }

    void layoutAndTexts() {
        Editor editor;
        TImage_Size d(editor);
        QCOMPARE(d.windowTitle(), QStringLiteral("Image_Size"));
        // The designed size and positions are where the window starts; the
        // system's fonts may need more room (every text whole is checked below).
        QVERIFY(d.width() >= 313 && d.height() >= 195);
        QCOMPARE(d.pos(), QPoint(55, 181));
        QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!d.isModal());
        struct Control { const char* name; const char* text; QPoint at; };
        const Control controls[] = {
            {"Label1", "Width:", {16, 28}},   {"Edit1", nullptr, {56, 24}},  {"Label3", "Pixels", {120, 28}},
            {"Label2", "Height:", {16, 69}},  {"Edit2", nullptr, {56, 65}},  {"Label4", "Pixels", {120, 69}},
            {"CheckBox1", "Hold in width and height", {168, 26}},
            {"SpeedButton2", "+", {168, 64}}, {"SpeedButton1", "-", {200, 64}},
            {"Button1", "OK", {16, 136}},     {"Button2", "Cancel", {168, 136}},
        };
        for (const Control& c : controls) {
            QWidget* w = d.findChild<QWidget*>(QString::fromLatin1(c.name));
            QVERIFY2(w, c.name);
            QVERIFY2(w->x() >= c.at.x() && w->y() >= c.at.y(), c.name);
            if (c.at.x() == 16) QCOMPARE(w->x(), 16);  // the first column stays
            if (!c.text) continue;
            QString text;
            if (auto* l = qobject_cast<QLabel*>(w)) text = l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(w)) text = b->text();
            QCOMPARE(text, QString::fromLatin1(c.text));
        }
        QCOMPARE(d.Edit1->width(), 57);
        QCOMPARE(d.SpeedButton1->font().pixelSize(), 16);
        QVERIFY(d.CheckBox1->isChecked());
    }

    void everyTextShowsWholeWithTheSystemsFonts_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("small font: the designed layout") << 6;
        QTest::newRow("test font") << 0;
        QTest::newRow("11 pt") << 11;
        QTest::newRow("16 pt") << 16;
        QTest::newRow("24 pt") << 24;
    }
    void everyTextShowsWholeWithTheSystemsFonts() {
        QFETCH(int, pointSize);
        Editor editor;
        auto d = withFontSize(pointSize, [&] { return std::make_unique<TImage_Size>(editor); });
        QVERIFY(d->width() >= 313 && d->height() >= 195);
        expectTextsWhole(d.get());
        // The fields stay one under the other.
        QCOMPARE(d->Edit1->x(), d->Edit2->x());
        if (pointSize == 6) {
            QCOMPARE(d->size(), QSize(313, 195));
            QCOMPARE(d->Edit2->geometry(), QRect(56, 65, 57, 21));
            QCOMPARE(d->CheckBox1->pos(), QPoint(168, 26));
        }
    }

    void anOverLongNumberIsReportedOnceAndTheFieldKeepsWorking() {
        Editor editor;  // 605 x 469
        TImage_Size d(editor);
        d.show();
        typeInto(d.Edit1, "9999999999");
        QCOMPARE(errors_, QStringList{"'9999999999' is not a valid integer value"});
        QTest::keyClicks(d.Edit1, "9");  // still too long: said already
        QCOMPARE(errors_.size(), 1);
        // Corrected, the field works again: every key reaches it.
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QCOMPARE(d.Edit1->text(), QStringLiteral("99999999"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("77520660"));  // Round(99999999 x 469 / 605)
        QCOMPARE(errors_.size(), 1);
        // A new mistake after the correction is said again.
        QTest::keyClicks(d.Edit1, "99");
        QCOMPARE(errors_.size(), 2);
    }

    void enterOnTheMessageBoxDoesNotReopenIt() {
        setErrorReporter({});  // the real message box
        Editor editor;
        TImage_Size d(editor);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.Edit1->setFocus();
        d.Edit1->clear();
        int boxes = 0;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            ++boxes;
            // Enter goes down on the box and closes it; it comes up in the
            // field, which has the focus again.
            QTest::keyPress(box, Qt::Key_Return);
            QTimer::singleShot(0, [&] { QTest::keyRelease(d.Edit1, Qt::Key_Return); });
        });
        poll.start();
        QTest::keyClicks(d.Edit1, "9999999999");
        QTest::qWait(300);
        poll.stop();
        QCOMPARE(boxes, 1);
        QVERIFY(!QApplication::activeModalWidget());
        // And the field takes the next keys.
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QCOMPARE(d.Edit1->text(), QStringLiteral("999999999"));
        QCOMPARE(boxes, 1);
    }

    void showingFillsInThePictureSize() {
        Editor editor;
        QCOMPARE(editor.picture().width(), 605);
        TImage_Size d(editor);
        d.show();
        QCOMPARE(d.Edit1->text(), QStringLiteral("605"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("469"));
        d.Edit1->setText("1");
        d.hide();
        d.show();  // every showing reloads the fields
        QCOMPARE(d.Edit1->text(), QStringLiteral("605"));
    }

    void typingCouplesTheFieldsWhileTheRatioIsHeld() {
        Editor editor;
        TImage_Size d(editor);
        d.show();
        typeInto(d.Edit1, "300");
        QCOMPARE(d.Edit2->text(), QStringLiteral("233"));  // Round(232.56)
        typeInto(d.Edit2, "200");
        QCOMPARE(d.Edit1->text(), QStringLiteral("258"));
        // Text set by the program does not couple.
        d.Edit1->setText("605");
        QCOMPARE(d.Edit2->text(), QStringLiteral("200"));
        // A text that is not a size leaves the other field alone.
        typeInto(d.Edit1, "12a");
        QCOMPARE(d.Edit2->text(), QStringLiteral("9"));  // from "12" before the "a"
        QVERIFY(errors_.isEmpty());
        // Unchecked: no coupling; the choice survives hiding and showing.
        d.CheckBox1->setChecked(false);
        typeInto(d.Edit1, "100");
        QCOMPARE(d.Edit2->text(), QStringLiteral("9"));
        d.hide();
        d.show();
        QVERIFY(!d.CheckBox1->isChecked());
    }

    void plusAndMinusScaleBothFields() {
        Editor editor;
        TImage_Size d(editor);
        d.show();
        d.CheckBox1->setChecked(false);  // they scale whatever the box says
        QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
        QCOMPARE(d.Edit1->text(), QStringLiteral("484"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("375"));
        d.hide();
        d.show();
        QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        QCOMPARE(d.Edit1->text(), QStringLiteral("756"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("586"));
        // A signed number is scaled too.
        d.Edit1->setText("-5");
        d.Edit2->setText("10");
        QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
        QCOMPARE(d.Edit1->text(), QStringLiteral("-4"));
        QCOMPARE(d.Edit2->text(), QStringLiteral("8"));
        QVERIFY(errors_.isEmpty());
    }

    void plusAndMinusOnTextsTheConversionRejects() {
        Editor editor;
        TImage_Size d(editor);
        d.show();
        d.Edit1->setText("100");
        d.Edit2->setText("12a");
        QTest::mouseClick(d.SpeedButton2, Qt::LeftButton);
        QCOMPARE(errors_, QStringList{"'12a' is not a valid integer value"});
        QCOMPARE(d.Edit1->text(), QStringLiteral("100"));  // nothing changed
        d.Edit1->setText("");
        QTest::mouseClick(d.SpeedButton1, Qt::LeftButton);
        QCOMPARE(errors_.back(), QStringLiteral("'' is not a valid integer value"));
    }

    void okRefusesTextsThatAreNotSizes_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("letters") << "12a" << "469";
        QTest::newRow("sign") << "-5" << "469";
        QTest::newRow("space") << " 7" << "469";
        QTest::newRow("empty") << "" << "469";
        QTest::newRow("zero width") << "0" << "469";
        QTest::newRow("empty height") << "605" << "";
        QTest::newRow("zero height") << "605" << "000";
    }
    void okRefusesTextsThatAreNotSizes() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        Editor editor(patterned(60, 40));
        TImage_Size d(editor);
        d.show();
        const Picture before = editor.picture();
        d.CheckBox1->setChecked(false);
        d.Edit1->setText(width);
        d.Edit2->setText(height);
        clickOk(d);
        QCOMPARE(messageBoxes_, QStringList{"Please input a valid integer value."});
        QVERIFY(errors_.isEmpty());
        QVERIFY(d.isVisible());
        QVERIFY(editor.picture() == before);
    }

    void okWithATooLargeNumberReportsTheConversion() {
        Editor editor(patterned(60, 40));
        TImage_Size d(editor);
        d.show();
        d.Edit1->setText("99999999999");
        clickOk(d);
        QCOMPARE(errors_, QStringList{"'99999999999' is not a valid integer value"});
        QVERIFY(messageBoxes_.isEmpty());
        QVERIFY(d.isVisible());
        QCOMPARE(editor.picture().width(), 60);
    }

    void okRefusesASizeBeyondTheMemoryBound() {
        Editor editor(patterned(60, 40));
        TImage_Size d(editor);
        d.show();
        d.CheckBox1->setChecked(false);
        d.Edit1->setText("100000");
        d.Edit2->setText("100000");
        clickOk(d);
        QCOMPARE(errors_, QStringList{"A picture of 100000 x 100000 pixels is too large"});
        QVERIFY(d.isVisible());
        QCOMPARE(editor.picture().width(), 60);
    }

    void okResamplesToTheTypedSizeAndResetsTheHistory() {
        Editor editor;
        // One recorded step, so that Undo is enabled before the resize.
        editor.mouseDown(MouseButton::Left, HeldButtons{true, false}, 300, 200);
        editor.click();
        editor.mouseUp(MouseButton::Left, 300, 200);
        QVERIFY(editor.history().undoEnabled());
        const Picture before = editor.picture();

        TImage_Size d(editor);
        d.show();
        d.CheckBox1->setChecked(false);
        d.Edit1->setText("1210");
        d.Edit2->setText("938");
        clickOk(d);
        QVERIFY(messageBoxes_.isEmpty());
        QVERIFY(errors_.isEmpty());
        QVERIFY(!d.isVisible());
        const Picture& after = editor.picture();
        QCOMPARE(after.width(), 1210);
        QCOMPARE(after.height(), 938);
        QCOMPARE(editor.controlWidth(), 1210);
        QCOMPARE(editor.controlHeight(), 938);
        for (const QPoint p : {QPoint(0, 0), QPoint(301, 155), QPoint(604, 468)})
            QCOMPARE(after.pixel(2 * p.x() + 1, 2 * p.y()), before.pixel(p.x(), p.y()));
        QVERIFY(!editor.history().undoEnabled());
        // Renew still brings back the picture as opened.
        QVERIFY(editor.state().OriginalPicture.width() == 605);
    }

    void okWithTheSizeUnchangedKeepsThePixels() {
        Editor editor(patterned(70, 50));
        TImage_Size d(editor);
        d.show();
        clickOk(d);
        QVERIFY(!d.isVisible());
        QVERIFY(editor.picture() == patterned(70, 50));
    }

    void okGivesExactlyTheTypedSize() {
        Editor editor;
        TImage_Size d(editor);
        d.show();
        d.CheckBox1->setChecked(false);
        d.Edit1->setText("300");
        d.Edit2->setText("200");
        clickOk(d);
        QCOMPARE(editor.picture().width(), 300);
        QCOMPARE(editor.picture().height(), 200);
    }

    void cancelHidesAndChangesNothing() {
        Editor editor(patterned(30, 20));
        TImage_Size d(editor);
        d.show();
        d.Edit1->setText("90");
        QTest::mouseClick(d.Button2, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(editor.picture().width(), 30);
    }
};

QTEST_MAIN(ImageSizeDialogTest)
#include "image_size_dialog_test.moc"
