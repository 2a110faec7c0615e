// What is remembered between runs: the folders of Open and Save, the name
// Save proposes, and the recent files, in one settings file; a file of the
// list that is gone is taken off with a message; Qt's dialogs keep nothing
// of their own.
#include <QFileDialog>
#include <QMenu>
#include <QMessageBox>
#include <QSettings>

#include "io/picture_files.h"
#include "ui/settings.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

QStringList recentItems(const QMenu* m) {
    QStringList out;
    for (const QAction* a : m->actions())
        if (a->data().isValid()) out << a->data().toString();
    return out;
}

}  // namespace

class RememberedTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString photo(const QString& name) {
        const QString file = dir.filePath(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        savePictureFile(patterned(64, 48), file.toStdString(), SaveFormat::Bmp);
        return file;
    }

private slots:
    void init() {
        opener();  // the settings folder of the tests
        QDir(opener().config()).removeRecursively();
    }

    void theSettingsFileIsNamedForTheProgram() {
        QCOMPARE(RememberedSettings::filePath(), opener().config() + QStringLiteral("/jollix.conf"));
    }

    // Open and Save through their dialogs: each starts where it should, and
    // the settings folder holds one file afterwards (none of Qt's).
    void theDialogsStartWhereTheUserWasLast() {
        const QString first = photo(QStringLiteral("holiday/beach.bmp"));
        QString openStart, saveStart, saveName;
        {
            Program p(patterned(100, 80));
            QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
            whenModal<QFileDialog>(this, [&](QFileDialog* d) {
                d->selectFile(first);
                static_cast<QDialog*>(d)->accept();
            });
            p.form->openPicture();
            QVERIFY(p.errors.isEmpty());
            QCOMPARE(p.editor->picture().width(), 64);
            // Save starts in the opened photo's folder with its name.
            whenModal<QFileDialog>(this, [&](QFileDialog* d) {
                saveStart = d->directory().absolutePath();
                saveName = d->selectedFiles().value(0);
                QDir().mkpath(dir.filePath(QStringLiteral("out")));
                d->selectFile(dir.filePath(QStringLiteral("out/funny")));
                static_cast<QDialog*>(d)->accept();
            });
            p.form->savePicture();
            QVERIFY(p.errors.isEmpty());
            QCOMPARE(saveStart, QFileInfo(first).absolutePath());
            QCOMPARE(QFileInfo(saveName).fileName(), QStringLiteral("beach"));
            QVERIFY(QFile::exists(dir.filePath(QStringLiteral("out/funny.jpg"))));
        }
        // The next run: Open starts in the folder last opened from, Save (no
        // file opened yet) in the folder last saved into.
        {
            Program p(patterned(100, 80));
            QVERIFY(QTest::qWaitForWindowExposed(p.form.get()));
            whenModal<QFileDialog>(this, [&](QFileDialog* d) {
                openStart = d->directory().absolutePath();
                d->reject();
            });
            p.form->openPicture();
            whenModal<QFileDialog>(this, [&](QFileDialog* d) {
                saveStart = d->directory().absolutePath();
                d->reject();
            });
            p.form->savePicture();
        }
        QCOMPARE(openStart, QFileInfo(first).absolutePath());
        QCOMPARE(saveStart, dir.filePath(QStringLiteral("out")));
        QCOMPARE(QDir(opener().config()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
                 QStringList{"jollix.conf"});
        QSettings stored(RememberedSettings::filePath(), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("folders/open")).toString(), QFileInfo(first).absolutePath());
    }

    void recentFilesNewestFirstTenAtMost() {
        QStringList files;
        for (int i = 0; i < 12; ++i) files << photo(QStringLiteral("p%1.bmp").arg(i));
        {
            Program p;
            QVERIFY(!p.form->recentFilesMenu()->isEnabled());
            for (const QString& f : files) QVERIFY(p.form->openFile(f));
            QVERIFY(p.form->openFile(files[5]));  // again: moves to the top, once
            const QStringList listed = recentItems(p.form->recentFilesMenu());
            QCOMPARE(listed.size(), 10);
            QCOMPARE(listed.value(0), files[5]);
            QCOMPARE(listed.value(1), files[11]);
            QCOMPARE(listed.count(files[5]), 1);
            QVERIFY(!listed.contains(files[0]) && !listed.contains(files[1]) && listed.contains(files[2]));
            QVERIFY(p.form->recentFilesMenu()->isEnabled());
        }
        // Kept for the next run; its entries open the file.
        Program p;
        QStringList listed = recentItems(p.form->recentFilesMenu());
        QCOMPARE(listed.value(0), files[5]);
        QCOMPARE(listed.size(), 10);
        QAction* second = p.form->recentFilesMenu()->actions().at(1);
        QVERIFY(second->text().startsWith(QStringLiteral("&2 p11.bmp")));
        second->trigger();
        QVERIFY(p.errors.isEmpty());
        QCOMPARE(p.editor->picture().width(), 64);
        QCOMPARE(recentItems(p.form->recentFilesMenu()).value(0), files[11]);
    }

    void aFileThatIsGoneIsTakenOffWithAMessage() {
        const QString kept = photo(QStringLiteral("kept.bmp"));
        const QString gone = photo(QStringLiteral("gone.bmp"));
        Program p;
        QVERIFY(p.form->openFile(kept));
        QVERIFY(p.form->openFile(gone));
        QVERIFY(QFile::remove(gone));
        const Picture before = p.editor->picture();
        QString message;
        whenModal<QMessageBox>(this, [&](QMessageBox* box) {
            message = box->text();
            box->accept();
        });
        p.form->recentFilesMenu()->actions().at(0)->trigger();
        QVERIFY2(message.contains(gone), qPrintable(message));
        QCOMPARE(recentItems(p.form->recentFilesMenu()), QStringList{kept});
        QVERIFY(p.editor->picture() == before);
        QVERIFY(p.errors.isEmpty());
    }

    void clearingTheList() {
        Program p;
        QVERIFY(p.form->openFile(photo(QStringLiteral("one.bmp"))));
        QList<QAction*> actions = p.form->recentFilesMenu()->actions();
        actions.constLast()->trigger();  // "Clear the list"
        QVERIFY(recentItems(p.form->recentFilesMenu()).isEmpty());
        QVERIFY(!p.form->recentFilesMenu()->isEnabled());
        QVERIFY(RememberedSettings().recentFiles().isEmpty());
    }
};

QTEST_MAIN(RememberedTest)
#include "remembered_test.moc"
