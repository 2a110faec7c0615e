// "Save animation..." in the File menu, the animation's frames made while the
// user pauses, and the mail command's offer to attach the animation.
#include <QAbstractButton>
#include <QFileDialog>
#include <QImageReader>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <sstream>

#include "app/batch/batch.h"
#include "io/animated_gif.h"
#include "ui/mail.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

QByteArray bytesOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class SaveAnimationTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    QTemporaryDir dir;

    QAction* menuItem() const { return p->form->commands.saveAnimation.menuItem; }

    // Save through the dialog under `typed`; a question about replacing a
    // file is answered with `replace`. Returns the question's text.
    QString saveThroughDialog(const QString& typed, bool replace = true) {
        QString question;
        whenModal<QFileDialog>(this, [&, typed, replace](QFileDialog* d) {
            whenModal<QMessageBox>(this, [&, replace](QMessageBox* box) {
                question = box->text();
                for (QAbstractButton* b : box->buttons())
                    if (b->text().remove(QLatin1Char('&')) == (replace ? "Replace" : "Cancel")) b->click();
            });
            d->selectFile(dir.filePath(typed));
            static_cast<QDialog*>(d)->accept();
        });
        p->form->saveAnimation();
        return question;
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        p = std::make_unique<Program>();
        QVERIFY(QTest::qWaitForWindowExposed(p->form.get()));
    }
    void cleanup() { p.reset(); }

    void theItemFollowsSaveAndNamesItsShortcut() {
        const QList<QAction*> items = p->form->menuBar()->actions().constFirst()->menu()->actions();
        const int save = int(items.indexOf(p->form->commands.save.menuItem));
        QVERIFY(save >= 0);
        QCOMPARE(items.value(save + 1), menuItem());
        QCOMPARE(menuItem()->text().section(QLatin1Char('\t'), 0, 0), QStringLiteral("Save animation..."));
        // Its shortcut is named beside it (that no two commands share a key
        // is the command table's own test).
        QCOMPARE(menuItem()->text().section(QLatin1Char('\t'), 1),
                 QKeySequence(QStringLiteral("Ctrl+Shift+S")).toString(QKeySequence::NativeText));
    }

    void theItemIsEnabledWhileThereIsSomethingToAnimate() {
        QVERIFY(!menuItem()->isEnabled());
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QVERIFY(menuItem()->isEnabled());
        p->form->undo();
        QVERIFY(!menuItem()->isEnabled());
        p->form->redo();
        QVERIFY(menuItem()->isEnabled());
        p->form->renew();
        QVERIFY(!menuItem()->isEnabled());
        // Ctrl+Shift+S with nothing to animate asks nothing and writes nothing.
        bool asked = false;
        whenModal<QFileDialog>(this, [&](QFileDialog* d) {
            asked = true;
            d->reject();
        });
        p->form->commands.saveAnimation.shortcut->trigger();
        QTest::qWait(50);
        QVERIFY(!asked);
    }

    void framesAreMadeOnceTheUserPauses() {
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(p->editor->animation().waitingFrames(), size_t(1));
        QTRY_COMPARE(p->editor->animation().waitingFrames(), size_t(0));
        QCOMPARE(p->editor->animation().frameCount(), size_t(1));
    }

    void theMenuWritesTheFileTheBatchCommandWrites() {
        // A click, a hold of 2.5 s (two ticks and the click) and a smear
        // through the windows; the same steps through jollix-batch.
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(300, 200));
        p->area()->repeatTick();
        p->area()->repeatTick();
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(300, 200));
        p->editor->palette().changeTab(kPageTwist);
        p->editor->palette().clickSmear();
        p->form->refreshAll();
        QTest::mousePress(p->image(), Qt::LeftButton, {}, QPoint(100, 100));
        QTest::mouseMove(p->image(), QPoint(160, 130));
        QTest::mouseRelease(p->image(), Qt::LeftButton, {}, QPoint(160, 130));
        QVERIFY(p->errors.isEmpty());

        // The extension is forced to .gif.
        saveThroughDialog(QStringLiteral("joke"));
        QVERIFY(p->errors.isEmpty());
        const QByteArray menu = bytesOf(dir.filePath(QStringLiteral("joke.gif")));
        QVERIFY(!menu.isEmpty());

        std::ostringstream out, err;
        const std::string batchGif = dir.filePath(QStringLiteral("batch.gif")).toStdString();
        QCOMPARE(
            batch::runBatch({"default", dir.filePath(QStringLiteral("out.bmp")).toStdString(),
                             "--animation=" + batchGif, "expand@200,150", "expand@300,200*3", "smear@100,100:160,130"},
                            out, err),
            0);
        QVERIFY(menu == bytesOf(QString::fromStdString(batchGif)));
        QImageReader reader(dir.filePath(QStringLiteral("joke.gif")));
        QCOMPARE(reader.imageCount(), 1 + 1 + 3 + 1);
    }

    void savingAsksBeforeReplacingAFileAndReportsFailures() {
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        const QString existing = dir.filePath(QStringLiteral("old.gif"));
        {
            QFile f(existing);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("an older file");
        }
        const QString question = saveThroughDialog(QStringLiteral("old.gif"), false);
        QVERIFY2(question.contains(existing), qPrintable(question));
        QCOMPARE(bytesOf(existing), QByteArray("an older file"));
        saveThroughDialog(QStringLiteral("old.gif"), true);
        QVERIFY(bytesOf(existing).startsWith("GIF89a"));
        QVERIFY(p->errors.isEmpty());

        // "x" becomes x.gif, which is a folder: the message names it.
        const QString folder = dir.filePath(QStringLiteral("x.gif"));
        QVERIFY(QDir().mkpath(folder));
        saveThroughDialog(QStringLiteral("x"), true);
        QCOMPARE(p->errors.size(), 1);
        QVERIFY2(p->errors[0].contains(folder), qPrintable(p->errors[0]));
    }

    void mailOffersTheAnimationOnlyWhenThereIsOne() {
        // Cancel stops the mail command before anything is written.
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150));
        QString asked;
        whenModal<QMessageBox>(this, [&](QMessageBox* box) {
            asked = box->text();
            box->button(QMessageBox::Cancel)->click();
        });
        qputenv("XDG_CACHE_HOME", dir.filePath(QStringLiteral("cache")).toUtf8());
        p->form->mail();
        QVERIFY2(asked.contains(QStringLiteral("animation")), qPrintable(asked));
        QVERIFY(!QFile::exists(mailWorkPath()));

        // Nothing to animate: no question.
        p->form->undo();
        bool questioned = false;
        whenModal<QMessageBox>(this, [&](QMessageBox* box) {
            questioned = true;
            box->reject();
        });
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", "/nonexistent");  // the hand-over itself fails, and says so
        p->form->mail();
        qputenv("PATH", path);
        QTest::qWait(50);
        QVERIFY(!questioned);
        QVERIFY(QFile::exists(mailWorkPath()));
        QVERIFY(!QFile::exists(QFileInfo(mailWorkPath()).absolutePath() + QStringLiteral("/mywork.gif")));
    }
};

QTEST_MAIN(SaveAnimationTest)
#include "save_animation_test.moc"
