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
        for (int x = 0; x < w; ++x)
            p.setPixel(x, y, uint32_t(x & 255) | uint32_t(y & 255) << 8 | uint32_t((x + y) & 255) << 16);
    return p;
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->clear();
    QTest::keyClicks(edit, text);
}

}  // namespace

class ImageSizeDialogTest : public QObject {
    Q_OBJECT

    QStringList errors_;
    QStringList messageBoxes_;

    // Clicks OK, answering (and recording) the message box it may show.
    void clickOk(ImageSizeDialog& d) {
        QTimer closer;
        closer.setInterval(20);
        connect(&closer, &QTimer::timeout, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                messageBoxes_ << box->text();
                box->accept();
            }
        });
        closer.start();
        QTest::mouseClick(d.okButton, Qt::LeftButton);
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
        ImageSizeDialog d(editor);
        QCOMPARE(d.windowTitle(), QStringLiteral("Image_Size"));
        // The designed size and positions are where the window starts; the
        // system's fonts may need more room (every text whole is checked below).
        QVERIFY(d.width() >= 313 && d.height() >= 195);
        QCOMPARE(d.pos(), QPoint(55, 181));
        QVERIFY(d.windowFlags() & Qt::WindowStaysOnTopHint);
        QVERIFY(!d.isModal());
        struct Control {
            const char* name;
            const char* text;
            QPoint at;
        };
        const Control controls[] = {
            {"Label1", "Width:", {16, 28}},
            {"Edit1", nullptr, {56, 24}},
            {"Label3", "Pixels", {120, 28}},
            {"Label2", "Height:", {16, 69}},
            {"Edit2", nullptr, {56, 65}},
            {"Label4", "Pixels", {120, 69}},
            {"CheckBox1", "Hold in width and height", {168, 26}},
            {"SpeedButton2", "+", {168, 64}},
            {"SpeedButton1", "-", {200, 64}},
            {"Button1", "OK", {16, 136}},
            {"Button2", "Cancel", {168, 136}},
        };
        for (const Control& c : controls) {
            QWidget* w = d.findChild<QWidget*>(QString::fromLatin1(c.name));
            QVERIFY2(w, c.name);
            QVERIFY2(w->x() >= c.at.x() && w->y() >= c.at.y(), c.name);
            if (c.at.x() == 16) QCOMPARE(w->x(), 16);  // the first column stays
            if (!c.text) continue;
            QString text;
            if (auto* l = qobject_cast<QLabel*>(w))
                text = l->text();
            else if (auto* b = qobject_cast<QAbstractButton*>(w))
                text = b->text();
            QCOMPARE(text, QString::fromLatin1(c.text));
        }
        QCOMPARE(d.widthEdit->width(), 57);
        QCOMPARE(d.shrinkButton->font().pixelSize(), 16);
        QVERIFY(d.holdRatioBox->isChecked());
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
        auto d = withFontSize(pointSize, [&] { return std::make_unique<ImageSizeDialog>(editor); });
        QVERIFY(d->width() >= 313 && d->height() >= 195);
        expectTextsWhole(d.get());
        // The fields stay one under the other.
        QCOMPARE(d->widthEdit->x(), d->heightEdit->x());
        if (pointSize == 6) {
            QCOMPARE(d->size(), QSize(313, 195));
            QCOMPARE(d->heightEdit->geometry(), QRect(56, 65, 57, 21));
            QCOMPARE(d->holdRatioBox->pos(), QPoint(168, 26));
        }
    }

    void anOverLongNumberIsReportedOnceAndTheFieldKeepsWorking() {
        Editor editor;  // 605 x 469
        ImageSizeDialog d(editor);
        d.show();
        typeInto(d.widthEdit, "9999999999");
        QCOMPARE(errors_, QStringList{"'9999999999' is not a valid integer value"});
        QTest::keyClicks(d.widthEdit, "9");  // still too long: said already
        QCOMPARE(errors_.size(), 1);
        // Corrected, the field works again: every key reaches it.
        QTest::keyClick(d.widthEdit, Qt::Key_Backspace);
        QTest::keyClick(d.widthEdit, Qt::Key_Backspace);
        QTest::keyClick(d.widthEdit, Qt::Key_Backspace);
        QCOMPARE(d.widthEdit->text(), QStringLiteral("99999999"));
        QCOMPARE(d.heightEdit->text(), QStringLiteral("77520660"));  // roundToInt(99999999 x 469 / 605)
        QCOMPARE(errors_.size(), 1);
        // A new mistake after the correction is said again.
        QTest::keyClicks(d.widthEdit, "99");
        QCOMPARE(errors_.size(), 2);
    }

    void enterOnTheMessageBoxDoesNotReopenIt() {
        setErrorReporter({});  // the real message box
        Editor editor;
        ImageSizeDialog d(editor);
        d.show();
        d.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&d));
        d.widthEdit->setFocus();
        d.widthEdit->clear();
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
            QTimer::singleShot(0, [&] { QTest::keyRelease(d.widthEdit, Qt::Key_Return); });
        });
        poll.start();
        QTest::keyClicks(d.widthEdit, "9999999999");
        QTest::qWait(300);
        poll.stop();
        QCOMPARE(boxes, 1);
        QVERIFY(!QApplication::activeModalWidget());
        // And the field takes the next keys.
        QTest::keyClick(d.widthEdit, Qt::Key_Backspace);
        QCOMPARE(d.widthEdit->text(), QStringLiteral("999999999"));
        QCOMPARE(boxes, 1);
    }

    void showingFillsInThePictureSize() {
        Editor editor;
        QCOMPARE(editor.picture().width(), 605);
        ImageSizeDialog d(editor);
        d.show();
        QCOMPARE(d.widthEdit->text(), QStringLiteral("605"));
        QCOMPARE(d.heightEdit->text(), QStringLiteral("469"));
        d.widthEdit->setText("1");
        d.hide();
        d.show();  // every showing reloads the fields
        QCOMPARE(d.widthEdit->text(), QStringLiteral("605"));
    }

    void typingCouplesTheFieldsWhileTheRatioIsHeld() {
        Editor editor;
        ImageSizeDialog d(editor);
        d.show();
        typeInto(d.widthEdit, "300");
        QCOMPARE(d.heightEdit->text(), QStringLiteral("233"));  // roundToInt(232.56)
        typeInto(d.heightEdit, "200");
        QCOMPARE(d.widthEdit->text(), QStringLiteral("258"));
        // Text set by the program does not couple.
        d.widthEdit->setText("605");
        QCOMPARE(d.heightEdit->text(), QStringLiteral("200"));
        // A text that is not a size leaves the other field alone.
        typeInto(d.widthEdit, "12a");
        QCOMPARE(d.heightEdit->text(), QStringLiteral("9"));  // from "12" before the "a"
        QVERIFY(errors_.isEmpty());
        // Unchecked: no coupling; the choice survives hiding and showing.
        d.holdRatioBox->setChecked(false);
        typeInto(d.widthEdit, "100");
        QCOMPARE(d.heightEdit->text(), QStringLiteral("9"));
        d.hide();
        d.show();
        QVERIFY(!d.holdRatioBox->isChecked());
    }

    void plusAndMinusScaleBothFields() {
        Editor editor;
        ImageSizeDialog d(editor);
        d.show();
        d.holdRatioBox->setChecked(false);  // they scale whatever the box says
        QTest::mouseClick(d.shrinkButton, Qt::LeftButton);
        QCOMPARE(d.widthEdit->text(), QStringLiteral("484"));
        QCOMPARE(d.heightEdit->text(), QStringLiteral("375"));
        d.hide();
        d.show();
        QTest::mouseClick(d.growButton, Qt::LeftButton);
        QCOMPARE(d.widthEdit->text(), QStringLiteral("756"));
        QCOMPARE(d.heightEdit->text(), QStringLiteral("586"));
        // A signed number is scaled too.
        d.widthEdit->setText("-5");
        d.heightEdit->setText("10");
        QTest::mouseClick(d.shrinkButton, Qt::LeftButton);
        QCOMPARE(d.widthEdit->text(), QStringLiteral("-4"));
        QCOMPARE(d.heightEdit->text(), QStringLiteral("8"));
        QVERIFY(errors_.isEmpty());
    }

    void plusAndMinusOnTextsTheConversionRejects() {
        Editor editor;
        ImageSizeDialog d(editor);
        d.show();
        d.widthEdit->setText("100");
        d.heightEdit->setText("12a");
        QTest::mouseClick(d.growButton, Qt::LeftButton);
        QCOMPARE(errors_, QStringList{"'12a' is not a valid integer value"});
        QCOMPARE(d.widthEdit->text(), QStringLiteral("100"));  // nothing changed
        d.widthEdit->setText("");
        QTest::mouseClick(d.shrinkButton, Qt::LeftButton);
        QCOMPARE(errors_.back(), QStringLiteral("'' is not a valid integer value"));
    }

    void okRefusesTextsThatAreNotSizes_data() {
        QTest::addColumn<QString>("width");
        QTest::addColumn<QString>("height");
        QTest::newRow("letters") << "12a"
                                 << "469";
        QTest::newRow("sign") << "-5"
                              << "469";
        QTest::newRow("space") << " 7"
                               << "469";
        QTest::newRow("empty") << ""
                               << "469";
        QTest::newRow("zero width") << "0"
                                    << "469";
        QTest::newRow("empty height") << "605"
                                      << "";
        QTest::newRow("zero height") << "605"
                                     << "000";
    }
    void okRefusesTextsThatAreNotSizes() {
        QFETCH(QString, width);
        QFETCH(QString, height);
        Editor editor(patterned(60, 40));
        ImageSizeDialog d(editor);
        d.show();
        const Picture before = editor.picture();
        d.holdRatioBox->setChecked(false);
        d.widthEdit->setText(width);
        d.heightEdit->setText(height);
        clickOk(d);
        QCOMPARE(messageBoxes_, QStringList{"Please input a valid integer value."});
        QVERIFY(errors_.isEmpty());
        QVERIFY(d.isVisible());
        QVERIFY(editor.picture() == before);
    }

    void okWithATooLargeNumberReportsTheConversion() {
        Editor editor(patterned(60, 40));
        ImageSizeDialog d(editor);
        d.show();
        d.widthEdit->setText("99999999999");
        clickOk(d);
        QCOMPARE(errors_, QStringList{"'99999999999' is not a valid integer value"});
        QVERIFY(messageBoxes_.isEmpty());
        QVERIFY(d.isVisible());
        QCOMPARE(editor.picture().width(), 60);
    }

    void okRefusesASizeBeyondTheMemoryBound() {
        Editor editor(patterned(60, 40));
        ImageSizeDialog d(editor);
        d.show();
        d.holdRatioBox->setChecked(false);
        d.widthEdit->setText("100000");
        d.heightEdit->setText("100000");
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

        ImageSizeDialog d(editor);
        d.show();
        d.holdRatioBox->setChecked(false);
        d.widthEdit->setText("1210");
        d.heightEdit->setText("938");
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
        QVERIFY(editor.state().originalPicture.width() == 605);
    }

    void okWithTheSizeUnchangedKeepsThePixels() {
        Editor editor(patterned(70, 50));
        ImageSizeDialog d(editor);
        d.show();
        clickOk(d);
        QVERIFY(!d.isVisible());
        QVERIFY(editor.picture() == patterned(70, 50));
    }

    void okGivesExactlyTheTypedSize() {
        Editor editor;
        ImageSizeDialog d(editor);
        d.show();
        d.holdRatioBox->setChecked(false);
        d.widthEdit->setText("300");
        d.heightEdit->setText("200");
        clickOk(d);
        QCOMPARE(editor.picture().width(), 300);
        QCOMPARE(editor.picture().height(), 200);
    }

    void cancelHidesAndChangesNothing() {
        Editor editor(patterned(30, 20));
        ImageSizeDialog d(editor);
        d.show();
        d.widthEdit->setText("90");
        QTest::mouseClick(d.cancelButton, Qt::LeftButton);
        QVERIFY(!d.isVisible());
        QCOMPARE(editor.picture().width(), 30);
    }
};

QTEST_MAIN(ImageSizeDialogTest)
#include "image_size_dialog_test.moc"
