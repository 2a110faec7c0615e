// The main window: its layout, the command table, Undo and Redo with their
// controls, the zoom, Open and Save through their dialogs, closing with
// unsaved changes, the web links and the about box.
#define QTEST_QPA_MOUSE_HANDLING
#include <QAbstractButton>
#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMdiArea>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextDocument>
#include <QStatusBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QToolBar>
#include <QUrl>

#include "io/formats.h"
#include "io/picture_files.h"
#include "ui/about_box.h"
#include "ui/desktop_open.h"
#include "ui/help_page.h"
#include "ui/help_window.h"
#include "ui/image_size_dialog.h"
#include "window_test_util.h"

using namespace jollix;
using namespace jollix::testing;

namespace {

// A caption as shown: without the "&" that marks its Alt letter.
QString shown(QString text) { return text.remove(QLatin1Char('&')); }

QStringList captions(const QMenu* m) {
    QStringList out;
    for (const QAction* a : m->actions())
        if (!a->isSeparator()) out << a->text().section(QLatin1Char('\t'), 0, 0);
    return out;
}

}  // namespace

class MainWindowTest : public QObject {
    Q_OBJECT
    std::unique_ptr<Program> p;
    QTemporaryDir dir;

    QString path(const char* name) const { return dir.filePath(QString::fromUtf8(name)); }
    QToolBar* toolBar() const { return p->form->findChild<QToolBar*>(QStringLiteral("ToolBar1")); }
    void change() { QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(200, 150)); }

    // Open through the real dialog; an empty name cancels it. With changes
    // not yet saved, the question before it is answered with `unsaved`.
    void openThroughDialog(const QString& file, QMessageBox::StandardButton unsaved = QMessageBox::Discard) {
        auto pick = [this, file] {
            whenModal<QFileDialog>(this, [file](QFileDialog* d) {
                if (file.isEmpty()) {
                    d->reject();
                    return;
                }
                d->selectFile(file);
                static_cast<QDialog*>(d)->accept();
            });
        };
        if (p->editor->isModified())
            whenModal<QMessageBox>(this, [pick, unsaved](QMessageBox* box) {
                if (unsaved != QMessageBox::Cancel) pick();
                box->button(unsaved)->click();
            });
        else
            pick();
        p->form->openPicture();
    }

private slots:
    void init() {
        QVERIFY(dir.isValid());
        p = std::make_unique<Program>(patterned(605, 469));
        QVERIFY(QTest::qWaitForWindowExposed(p->form.get()));
    }
    void cleanup() { p.reset(); }

    void theWindow() {
        QCOMPARE(p->form->windowTitle(), QStringLiteral("Jollix v6.01"));
        QCOMPARE(p->form->size(), QSize(885, 611));
        QVERIFY(p->form->statusBar()->isVisible());
        QCOMPARE(p->form->statusBar()->currentMessage(), QString());
        QVERIFY(!p->form->windowIcon().isNull());
        auto* mdi = qobject_cast<QMdiArea*>(p->form->centralWidget());
        QVERIFY(mdi);
        QCOMPARE(mdi->subWindowList().size(), 1);
        QCOMPARE(mdi->subWindowList().constFirst(), p->area());
    }

    void menusInTheirOrder() {
        const QList<QAction*> menus = p->form->menuBar()->actions();
        QCOMPARE(menus.size(), 5);
        QCOMPARE(shown(menus[0]->text()), QStringLiteral("File"));
        QCOMPARE(shown(menus[1]->text()), QStringLiteral("Edit"));
        QCOMPARE(shown(menus[2]->text()), QStringLiteral("View"));
        QCOMPARE(shown(menus[3]->text()), QStringLiteral("Funny face"));  // its items: funny_face_menu_test
        QCOMPARE(shown(menus[4]->text()), QStringLiteral("Help"));
        QCOMPARE(captions(menus[0]->menu()),
                 (QStringList{"Open", "Save", "Save animation...", "Recent files", "Print...", "Exit"}));
        QCOMPARE(captions(menus[1]->menu()),
                 (QStringList{"Image Size", "Undo", "Redo", "Renew", "Copy", "Copy picture", "Paste"}));
        QCOMPARE(captions(menus[2]->menu()), (QStringList{"Fit to window"}));
        QCOMPARE(captions(menus[4]->menu()), (QStringList{"Online", "F.A.Q.", "About"}));
        // The menu items name their keys.
        QCOMPARE(p->form->commands.copyPicture.menuItem->text().section(QLatin1Char('\t'), 1),
                 QKeySequence(QStringLiteral("Ctrl+Shift+C")).toString(QKeySequence::NativeText));
    }

    void menusOpenFromTheKeyboard_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("menu");
        QTest::newRow("Alt+F") << int(Qt::Key_F) << 0;
        QTest::newRow("Alt+E") << int(Qt::Key_E) << 1;
        QTest::newRow("Alt+V") << int(Qt::Key_V) << 2;
        QTest::newRow("Alt+U") << int(Qt::Key_U) << 3;
        QTest::newRow("Alt+H") << int(Qt::Key_H) << 4;
    }
    void menusOpenFromTheKeyboard() {
        QFETCH(int, key);
        QFETCH(int, menu);
        p->form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p->form.get()));
        QMenu* m = p->form->menuBar()->actions().at(menu)->menu();
        QVERIFY(!m->isVisible());
        QTest::keyClick(p->form.get(), Qt::Key(key), Qt::AltModifier);
        QTRY_VERIFY(m->isVisible());
        // Only this menu opened.
        for (QAction* other : p->form->menuBar()->actions())
            if (other->menu() != m) QVERIFY(!other->menu()->isVisible());
        QTest::keyClick(m, Qt::Key_Escape);
        QTRY_VERIFY(!m->isVisible());
    }

    void toolBarInItsOrderWithHints() {
        QToolBar* bar = toolBar();
        QVERIFY(bar);
        QStringList hints;
        for (QAction* a : bar->actions()) {
            if (QWidget* w = bar->widgetForAction(a); w == p->form->zoomLabel()) {
                hints << QStringLiteral("[zoom]");
                continue;
            }
            hints << a->toolTip();
            QVERIFY(!a->icon().isNull());
            QCOMPARE(bar->widgetForAction(a)->size(), QSize(25, 21));
            QCOMPARE(a->actionGroup(), p->form->toolBarGroup());
        }
        QCOMPARE(hints,
                 (QStringList{"Open a new picture", "Save the draft", "Undo", "Redo", "Renew", "Zoom out the view",
                              "Zoom in the view", "[zoom]", "Select a zone to cut", "Cut out the selection",
                              "Print the work", "Mail the work to a friend", "Online"}));
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100%"));
        // One exclusive group: the button last pressed stays down.
        QVERIFY(p->form->toolBarGroup()->isExclusive());
        QTest::mouseClick(bar->widgetForAction(p->form->commands.zoomIn.button), Qt::LeftButton);
        QVERIFY(p->form->commands.zoomIn.button->isChecked());
        QTest::mouseClick(bar->widgetForAction(p->form->commands.zoomOut.button), Qt::LeftButton);
        QVERIFY(p->form->commands.zoomOut.button->isChecked());
        QVERIFY(!p->form->commands.zoomIn.button->isChecked());
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100.0%"));
        // Undo, Redo and Cut out have their own picture when disabled.
        for (QAction* a :
             {p->form->commands.undo.button, p->form->commands.redo.button, p->form->commands.cutOut.button}) {
            const QImage on = a->icon().pixmap(16, 16, QIcon::Normal).toImage();
            const QImage off = a->icon().pixmap(16, 16, QIcon::Disabled).toImage();
            QVERIFY(on != off);
        }
    }

    void everyShortcutOfTheCommandTable() {
        const std::vector<std::pair<QAction*, QKeySequence>> table = {
            {p->form->commands.open.shortcut, QKeySequence("Ctrl+O")},
            {p->form->commands.save.shortcut, QKeySequence("Ctrl+S")},
            {p->form->commands.exit.shortcut, QKeySequence("Ctrl+Q")},
            {p->form->commands.imageSize.shortcut, QKeySequence("Ctrl+E")},
            {p->form->commands.undo.shortcut, QKeySequence("Ctrl+Z")},
            {p->form->commands.redo.shortcut, QKeySequence("Ctrl+Y")},
            {p->form->commands.renew.shortcut, QKeySequence("Ctrl+R")},
            {p->form->commands.zoomOut.shortcut, QKeySequence("Ctrl+-")},
            {p->form->commands.zoomIn.shortcut, QKeySequence("Ctrl+=")},
            {p->form->commands.copy.shortcut, QKeySequence("Ctrl+C")},
            {p->form->commands.paste.shortcut, QKeySequence("Ctrl+V")},
            {p->form->commands.print.shortcut, QKeySequence("Ctrl+P")},
            {p->form->commands.mail.shortcut, QKeySequence("Ctrl+M")},
            {p->form->commands.home.shortcut, QKeySequence("Ctrl+L")},
            {p->form->commands.faq.shortcut, QKeySequence("F1")},
            {p->form->commands.saveAnimation.shortcut, QKeySequence("Ctrl+Shift+S")},
            {p->form->commands.copyPicture.shortcut, QKeySequence("Ctrl+Shift+C")},
            {p->form->commands.fitToWindow.shortcut, QKeySequence("Ctrl+0")},
        };
        for (const auto& [action, keys] : table) {
            QCOMPARE(action->shortcut(), keys);
            QCOMPARE(action->shortcutContext(), Qt::ApplicationShortcut);
            QVERIFY(p->form->actions().contains(action));
        }
        // Only Ctrl+C is ever disabled, and it starts so; so does its menu item.
        QVERIFY(!p->form->commands.copy.shortcut->isEnabled());
        QVERIFY(!p->form->commands.copy.menuItem->isEnabled());
        QVERIFY(p->form->commands.copyPicture.shortcut->isEnabled());
        QVERIFY(p->form->commands.copyPicture.menuItem->isEnabled());
        QVERIFY(p->form->commands.undo.shortcut->isEnabled());
    }

    // Two commands on one key would leave Qt firing neither of them.
    void noTwoCommandsShareAKey() {
        QMap<QString, QString> owner;
        for (const char* menuKey : {"Alt+F", "Alt+E", "Alt+V", "Alt+H"})
            owner.insert(QString::fromUtf8(menuKey), QStringLiteral("a menu"));
        for (const CommandRow& row : commandTable())
            for (const QKeySequence& k : keysOf(row)) {
                const QString key = k.toString(QKeySequence::PortableText);
                QVERIFY2(!owner.contains(key), qPrintable(key + " of " + row.name + " is also " + owner.value(key)));
                owner.insert(key, QString::fromUtf8(row.name));
            }
    }

    void zoomKeysOfTheMainKeyboard() {
        p->form->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(p->form.get()));
        QTest::keyClick(p->form.get(), Qt::Key_Minus, Qt::ControlModifier);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("80.0%"));
        QTest::keyClick(p->form.get(), Qt::Key_Equal, Qt::ControlModifier);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100.0%"));
        QTest::keyClick(p->form.get(), Qt::Key_Plus, Qt::ControlModifier | Qt::KeypadModifier);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
    }

    void zoomLabelAndControlSizes() {
        p->form->zoomOut();
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("80.0%"));
        QCOMPARE(p->image()->size(), QSize(484, 375));
        p->form->zoomOut();
        p->form->zoomIn();
        p->form->zoomIn();
        QCOMPARE(p->editor->state().zoomPercent, 100.0);
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("100.0%"));
        p->form->zoomIn();
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
        QCOMPARE(p->image()->size(), QSize(756, 586));
        // The zoom stops where the control would fall below one pixel.
        for (int i = 0; i < 60; ++i) p->form->zoomOut();
        QVERIFY(p->image()->width() >= 1 && p->image()->height() >= 1);
        QVERIFY(p->editor->state().zoomPercent > 0.1);
        QVERIFY(p->errors.isEmpty());
    }

    void undoAndRedoControls() {
        auto undoOn = [&] { return p->form->commands.undo.button->isEnabled(); };
        auto redoOn = [&] { return p->form->commands.redo.button->isEnabled(); };
        auto same = [&] {
            QCOMPARE(p->form->commands.undo.menuItem->isEnabled(), undoOn());
            QCOMPARE(p->form->commands.redo.menuItem->isEnabled(), redoOn());
        };
        QVERIFY(!undoOn() && !redoOn());
        same();
        const Picture start = p->editor->picture();
        // Ctrl+Z and Ctrl+Y with nothing to do change nothing.
        p->form->commands.undo.shortcut->trigger();
        p->form->commands.redo.shortcut->trigger();
        QVERIFY(p->editor->picture() == start);
        QVERIFY(!undoOn() && !redoOn());

        change();
        const Picture one = p->editor->picture();
        QVERIFY(undoOn() && !redoOn());
        same();
        QTest::mouseClick(toolBar()->widgetForAction(p->form->commands.undo.button), Qt::LeftButton);
        QVERIFY(p->editor->picture() == start);
        QVERIFY(!undoOn() && redoOn());
        same();
        p->form->commands.redo.menuItem->trigger();
        QVERIFY(p->editor->picture() == one);
        QVERIFY(undoOn() && !redoOn());
        same();

        // Two changes, two undos, one new change: nothing left to redo.
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(400, 300));
        p->form->undo();
        p->form->undo();
        QVERIFY(redoOn());
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(100, 100));
        QVERIFY(undoOn() && !redoOn());
        p->form->undo();
        QVERIFY(p->editor->picture() == start);

        // Renew: the picture as opened, and a fresh history.
        change();
        p->form->commands.renew.menuItem->trigger();
        QVERIFY(p->editor->picture() == start);
        QVERIFY(!undoOn() && !redoOn());
        same();
    }

    void openAGoodFile() {
        const Picture photo = patterned(320, 200);
        const std::string written = savePictureFile(photo, path("photo.bmp").toStdString(), SaveFormat::Bmp);
        change();
        p->form->zoomOut();
        p->tools()->tabs->setCurrentIndex(kPageTwist);
        openThroughDialog(QString::fromStdString(written));
        QVERIFY(p->errors.isEmpty());
        QVERIFY(p->editor->picture() == photo);
        QVERIFY(p->editor->state().originalPicture == photo);
        QCOMPARE(p->editor->history().undoDepth(), 0);
        QVERIFY(!p->form->commands.undo.button->isEnabled());
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("80.0%"));
        QCOMPARE(p->image()->size(), QSize(256, 160));
        QCOMPARE(p->tools()->tabs->currentIndex(), kPageDistort);
        QVERIFY(!p->editor->isModified());
    }

    void openTheFileNamedOnTheCommandLine() {
        const Picture photo = patterned(64, 48);
        const std::string written = savePictureFile(photo, path("start.jpg").toStdString(), SaveFormat::Jpeg);
        QVERIFY(p->form->openFile(QString::fromStdString(written)));
        QCOMPARE(p->editor->picture().width(), 64);
        QCOMPARE(p->image()->size(), QSize(64, 48));
    }

    void openABadFileChangesNothing() {
        QFile bad(path("broken.jpg"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("this is not a JPEG file at all");
        bad.close();
        change();
        p->form->zoomIn();
        const Picture before = p->editor->picture();
        const Picture original = p->editor->state().originalPicture;
        openThroughDialog(bad.fileName());
        QCOMPARE(p->errors.size(), 1);
        QVERIFY(!p->errors.constFirst().isEmpty());
        QVERIFY(p->editor->picture() == before);
        QVERIFY(p->editor->state().originalPicture == original);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        QVERIFY(p->form->commands.undo.button->isEnabled());
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
    }

    void cancelledOpenChangesNothing() {
        change();
        const Picture before = p->editor->picture();
        openThroughDialog(QString());
        QVERIFY(p->errors.isEmpty());
        QVERIFY(p->editor->picture() == before);
        QCOMPARE(p->editor->history().undoDepth(), 1);
        p->form->renew();
        QVERIFY(p->editor->picture() == patterned(605, 469));
    }

    void openWithUnsavedChangesAsksFirst_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("opened");
        QTest::newRow("cancel keeps the work") << int(QMessageBox::Cancel) << false;
        QTest::newRow("discard") << int(QMessageBox::Discard) << true;
        QTest::newRow("save, then open") << int(QMessageBox::Save) << true;
    }
    void openWithUnsavedChangesAsksFirst() {
        QFETCH(int, answer);
        QFETCH(bool, opened);
        const Picture photo = patterned(40, 30);
        const std::string next = savePictureFile(photo, path("next.bmp").toStdString(), SaveFormat::Bmp);
        change();
        QTest::mouseClick(p->image(), Qt::LeftButton, {}, QPoint(400, 300));
        const Picture edited = p->editor->picture();
        QString question;
        QStringList dialogs;
        // The save dialog (after "Save") writes edited.bmp; the open dialog picks next.bmp.
        auto files = std::make_shared<std::function<void(QFileDialog*)>>();
        *files = [&, files](QFileDialog* d) {
            if (d->acceptMode() == QFileDialog::AcceptSave) {
                dialogs << QStringLiteral("save");
                d->selectNameFilter(d->nameFilters().at(1));
                d->selectFile(path("edited.bmp"));
                whenModal<QFileDialog>(this, *files);
            } else {
                dialogs << QStringLiteral("open");
                d->selectFile(QString::fromStdString(next));
            }
            static_cast<QDialog*>(d)->accept();
        };
        whenModal<QMessageBox>(this, [&, answer, files](QMessageBox* box) {
            question = box->text();
            if (answer != QMessageBox::Cancel) whenModal<QFileDialog>(this, *files);
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        p->form->commands.open.shortcut->trigger();
        QVERIFY(question.contains(QStringLiteral("not been saved")));
        QVERIFY(p->errors.isEmpty());
        if (!opened) {
            QVERIFY(dialogs.isEmpty());
            QVERIFY(p->editor->picture() == edited);
            QCOMPARE(p->editor->history().undoDepth(), 2);
            QVERIFY(p->editor->isModified());
            p->form->undo();
            p->form->undo();
            QVERIFY(p->editor->picture() == patterned(605, 469));
            return;
        }
        QVERIFY(p->editor->picture() == photo);
        QVERIFY(!p->editor->isModified());
        if (answer == QMessageBox::Save) {
            QCOMPARE(dialogs, (QStringList{"save", "open"}));
            QVERIFY(loadPictureFile(path("edited.bmp").toStdString()) == edited);
        } else {
            QCOMPARE(dialogs, QStringList{"open"});
        }
    }

    void theOpenDialog() {
        QStringList filters;
        bool preview = false;
        QFileDialog::Options options;
        whenModal<QFileDialog>(this, [&](QFileDialog* d) {
            filters = d->nameFilters();
            options = d->options();
            preview = d->findChild<QWidget*>(QStringLiteral("preview")) != nullptr;
            d->reject();
        });
        p->form->openPicture();
        QCOMPARE(filters, (QStringList{"*.jpg (*.jpg)", "*.jpeg;*.jpe;*.jfif (*.jpeg *.jpe *.jfif)",
                                       "*.bmp;*.dib (*.bmp *.dib)", "*.wmf (*.wmf)", "*.emf (*.emf)", "*.gif (*.gif)",
                                       "*.png (*.png)", "*.webp (*.webp)", "*.tif;*.tiff (*.tif *.tiff)",
                                       "*.heic;*.heif;*.hif (*.heic *.heif *.hif)", "All files (*)"}));
        QVERIFY(options.testFlag(QFileDialog::DontUseNativeDialog));
        QVERIFY(preview);
    }

    void nameFiltersFromTheTypeLists() {
        QCOMPARE(nameFiltersOf(QString::fromStdString(saveDialogFilter())),
                 (QStringList{"*.jpg (*.jpg)", "*.bmp (*.bmp)", "*.wmf (*.wmf)", "*.png (*.png)", "*.webp (*.webp)",
                              "*.tif (*.tif)"}));
        QCOMPARE(nameFiltersOf(QStringLiteral("Pictures|*.jpg;*.bmp|All|*.*")),
                 (QStringList{"Pictures (*.jpg *.bmp)", "All (*)"}));
    }

    void saveInTheThreeFormats_data() {
        QTest::addColumn<int>("entry");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("JPEG") << 0 << "out.png"
                              << "out.jpg";
        QTest::newRow("BMP") << 1 << "out.png"
                             << "out.bmp";
        QTest::newRow("WMF") << 2 << "out.png"
                             << "out.wmf";
        QTest::newRow("JPEG, no extension") << 0 << "plain"
                                            << "plain.jpg";
        QTest::newRow("PNG") << 3 << "lossless.jpg"
                             << "lossless.png";
        QTest::newRow("WebP") << 4 << "web.bmp"
                              << "web.webp";
        QTest::newRow("TIFF") << 5 << "print.tiff"
                              << "print.tif";
    }
    void saveInTheThreeFormats() {
        QFETCH(int, entry);
        QFETCH(QString, typed);
        QFETCH(QString, written);
        change();
        QVERIFY(p->editor->isModified());
        QString firstFilter;
        whenModal<QFileDialog>(this, [&, entry, typed](QFileDialog* d) {
            firstFilter = d->selectedNameFilter();
            d->selectNameFilter(d->nameFilters().at(entry));
            d->selectFile(dir.filePath(typed));
            static_cast<QDialog*>(d)->accept();
        });
        p->form->savePicture();
        QCOMPARE(firstFilter, QStringLiteral("*.jpg (*.jpg)"));
        QVERIFY(p->errors.isEmpty());
        QVERIFY2(QFile::exists(dir.filePath(written)), qPrintable(written));
        QVERIFY(!QFile::exists(dir.filePath(typed)) || typed == written);
        QVERIFY(!p->editor->isModified());
        QCOMPARE(p->editor->history().undoDepth(), 1);
        // What was written opens again at the same size.
        const Picture back = loadPictureFile(dir.filePath(written).toStdString());
        QCOMPARE(back.width(), 605);
        QCOMPARE(back.height(), 469);
    }

    void saveAsksBeforeReplacingAFile_data() {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("existing");  // the file a save would replace
        QTest::addColumn<QString>("link");      // a symbolic link to it, typed instead
        QTest::addColumn<bool>("replace");
        QTest::newRow("typed name, cancel") << "out.jpg"
                                            << "out.jpg"
                                            << "" << false;
        QTest::newRow("typed name, replace") << "out.jpg"
                                             << "out.jpg"
                                             << "" << true;
        QTest::newRow("forced extension, cancel") << "holiday.png"
                                                  << "holiday.jpg"
                                                  << "" << false;
        QTest::newRow("forced extension, replace") << "holiday.png"
                                                   << "holiday.jpg"
                                                   << "" << true;
        QTest::newRow("through a symbolic link, cancel") << "link.jpg"
                                                         << "real.jpg"
                                                         << "link.jpg" << false;
        QTest::newRow("through a symbolic link, replace") << "link.jpg"
                                                          << "real.jpg"
                                                          << "link.jpg" << true;
    }
    void saveAsksBeforeReplacingAFile() {
        QFETCH(QString, typed);
        QFETCH(QString, existing);
        QFETCH(QString, link);
        QFETCH(bool, replace);
        const QByteArray old("bytes of another picture, kept unless replaced");
        {
            QFile f(path(existing.toUtf8().constData()));
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        if (!link.isEmpty()) {
            QFile::remove(dir.filePath(link));
            QVERIFY(QFile::link(existing, dir.filePath(link)));
        }
        change();
        QString question;
        whenModal<QFileDialog>(this, [&, typed, replace](QFileDialog* d) {
            whenModal<QMessageBox>(this, [&, replace](QMessageBox* box) {
                question = box->text();
                QAbstractButton* answer = nullptr;
                for (QAbstractButton* b : box->buttons())
                    if (b->text().remove(QLatin1Char('&')) == (replace ? "Replace" : "Cancel")) answer = b;
                QVERIFY(answer);
                answer->click();
            });
            d->selectFile(dir.filePath(typed));
            static_cast<QDialog*>(d)->accept();
        });
        p->form->savePicture();
        QVERIFY(p->errors.isEmpty());
        // The question names the file that would be replaced.
        const QString named = link.isEmpty() ? existing : link;
        QVERIFY2(question.contains(dir.filePath(named)), qPrintable(question));
        QFile f(path(existing.toUtf8().constData()));
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray now = f.readAll();
        if (replace) {
            QVERIFY(now != old);
            QVERIFY(loadPictureFile(f.fileName().toStdString()).width() == 605);
            QVERIFY(!p->editor->isModified());
        } else {
            QCOMPARE(now, old);  // byte for byte
            QVERIFY(p->editor->isModified());
        }
        if (!link.isEmpty()) QVERIFY(QFileInfo(dir.filePath(link)).isSymLink());
        // Nothing was written under the typed name when another was forced.
        if (typed != existing && link.isEmpty()) QVERIFY(!QFile::exists(dir.filePath(typed)));
    }

    void savingANewFileAsksNothing() {
        bool asked = false;
        whenModal<QFileDialog>(this, [&](QFileDialog* d) {
            whenModal<QMessageBox>(this, [&](QMessageBox* box) {
                asked = true;
                box->reject();
            });
            d->selectFile(dir.filePath(QStringLiteral("fresh.png")));
            static_cast<QDialog*>(d)->accept();
        });
        p->form->savePicture();
        QVERIFY(!asked);
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("fresh.jpg"))));
    }

    void theSaveDialogRemembersTheEntryLastChosen() {
        QStringList shown;
        auto saveWith = [&](int entry) {
            whenModal<QFileDialog>(this, [&, entry](QFileDialog* d) {
                shown << d->selectedNameFilter();
                d->selectNameFilter(d->nameFilters().at(entry));
                d->selectFile(dir.filePath(QStringLiteral("again%1").arg(shown.size())));
                static_cast<QDialog*>(d)->accept();
            });
            p->form->savePicture();
        };
        saveWith(1);
        saveWith(2);
        saveWith(2);
        QCOMPARE(shown, (QStringList{"*.jpg (*.jpg)", "*.bmp (*.bmp)", "*.wmf (*.wmf)"}));
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("again1.bmp"))));
    }

    void anIconThatCannotBeReadHasItsOwnBox() {
        QFile bad(path("broken.ico"));
        QVERIFY(bad.open(QIODevice::WriteOnly));
        bad.write("not an icon");
        bad.close();
        const Picture before = p->editor->picture();
        QString caption, text;
        QList<QMessageBox::StandardButton> buttons;
        whenModal<QMessageBox>(this, [&](QMessageBox* box) {
            caption = box->windowTitle();
            text = box->text();
            for (QAbstractButton* b : box->buttons()) buttons << box->standardButton(b);
            box->accept();
        });
        QVERIFY(!p->form->openFile(bad.fileName()));
        QCOMPARE(caption, QStringLiteral("Exit"));
        QVERIFY2(text.startsWith(QStringLiteral("Input picture") + bad.fileName() + QStringLiteral("Error.")),
                 qPrintable(text));
        QCOMPARE(buttons, QList<QMessageBox::StandardButton>{QMessageBox::Ok});
        QVERIFY(p->errors.isEmpty());
        QVERIFY(p->editor->picture() == before);
    }

    void saveThatFailsShowsItsMessage() {
        whenModal<QFileDialog>(this, [&](QFileDialog* d) {
            d->selectFile(dir.filePath(QStringLiteral("no/such/folder/out.jpg")));
            static_cast<QDialog*>(d)->accept();
        });
        p->form->savePicture();
        QCOMPARE(p->errors.size(), 1);
    }

    void closingWithoutChangesClosesAtOnce() {
        p->form->exitProgram();
        QVERIFY(!p->form->isVisible());
        QVERIFY(!p->tools()->isVisible());
    }

    void closingWithChangesAsks_data() {
        QTest::addColumn<int>("answer");
        QTest::addColumn<bool>("closed");
        QTest::newRow("cancel") << int(QMessageBox::Cancel) << false;
        QTest::newRow("discard") << int(QMessageBox::Discard) << true;
    }
    void closingWithChangesAsks() {
        QFETCH(int, answer);
        QFETCH(bool, closed);
        change();
        QString question;
        whenModal<QMessageBox>(this, [&, answer](QMessageBox* box) {
            question = box->text();
            box->button(QMessageBox::StandardButton(answer))->click();
        });
        p->form->commands.exit.shortcut->trigger();
        QVERIFY(!question.isEmpty());
        QCOMPARE(!p->form->isVisible(), closed);
    }

    void closingWithChangesAndSaving() {
        change();
        whenModal<QMessageBox>(this, [&](QMessageBox* box) {
            whenModal<QFileDialog>(this, [&](QFileDialog* d) {
                d->selectFile(dir.filePath(QStringLiteral("kept")));
                static_cast<QDialog*>(d)->accept();
            });
            box->button(QMessageBox::Save)->click();
        });
        p->form->close();
        QVERIFY(QFile::exists(dir.filePath(QStringLiteral("kept.jpg"))));
        QVERIFY(!p->form->isVisible());
    }

    void webPagesOpenInTheBrowser() {
        opener().takeOpened();
        opener().setExit(0);
        p->form->commands.faq.shortcut->trigger();
        p->form->commands.faq.menuItem->trigger();
        p->form->commands.home.button->trigger();
        p->form->commands.home.menuItem->trigger();
        QStringList opened;
        QTRY_COMPARE_WITH_TIMEOUT((opened += opener().takeOpened()).size(), 4, 10000);
        QTest::qWait(100);
        opener().setExit(3);
        QVERIFY(p->errors.isEmpty());
        // The desktop opened them: no window of the program's own.
        QVERIFY(!p->form->helpWindow());
        // F1 opens the program's own questions page from disk (here the
        // source tree's, as for any program run from its build tree); a
        // program built without a home page leads there from "Online" too.
        const QUrl faq(opened[0]);
        QVERIFY(faq.isLocalFile());
        QVERIFY(QFileInfo(faq.toLocalFile()).isFile());
        QVERIFY(faq.toLocalFile().endsWith(QStringLiteral("/help/index.html")));
        QCOMPARE(QUrl(opened[1]), faq);
        QCOMPARE(QUrl(opened[2]), homePage());
        QCOMPARE(QUrl(opened[3]), homePage());
        QVERIFY(homePage().isValid());
        if (homePage().isLocalFile()) QVERIFY(QFileInfo(homePage().toLocalFile()).isFile());
    }

    // Without a browser (xdg-open fails, or is not there at all) every way
    // to the help and home pages shows the local page in the program's own
    // window, whose links work.
    void withoutABrowserTheHelpWindowShowsThePage_data() {
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("noOpener");
        for (const char* how : {"F1", "F.A.Q.", "Online button", "Online menu", "Ctrl+L", "about box address"}) {
            QTest::newRow(how) << how << false;
            QTest::newRow(qPrintable(QStringLiteral("%1, no xdg-open").arg(how))) << how << true;
        }
    }
    void withoutABrowserTheHelpWindowShowsThePage() {
        QFETCH(QString, how);
        QFETCH(bool, noOpener);
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        if (noOpener) qputenv("PATH", empty.path().toLocal8Bit());
        opener().setExit(3);
        opener().takeOpened();
        if (how == "F1") p->form->commands.faq.shortcut->trigger();
        if (how == "F.A.Q.") p->form->commands.faq.menuItem->trigger();
        if (how == "Online button") p->form->commands.home.button->trigger();
        if (how == "Online menu") p->form->commands.home.menuItem->trigger();
        if (how == "Ctrl+L") p->form->commands.home.shortcut->trigger();
        if (how == "about box address") emit p->form->aboutBox()->addressLabel->linkActivated(homePage().toString());
        QTRY_VERIFY_WITH_TIMEOUT(p->form->helpWindow() && p->form->helpWindow()->isVisible(), 10000);
        qputenv("PATH", path);
        QCOMPARE(opener().takeOpened().size(), noOpener ? 0 : 1);
        QVERIFY(p->errors.isEmpty());
        QTextBrowser* text = p->form->helpWindow()->browser();
        QCOMPARE(text->source(), QUrl::fromLocalFile(localHelpPage()));
        QVERIFY(text->toPlainText().contains(QStringLiteral("questions and answers")));
        // The first link of the page (its table of contents), followed from
        // the keyboard, leads to its part of the page.
        p->form->helpWindow()->activateWindow();
        text->setFocus();
        QTest::keyClick(text, Qt::Key_Tab);
        QTest::keyClick(text, Qt::Key_Return);
        QTRY_COMPARE(text->source().fragment(), QStringLiteral("start"));
        QCOMPARE(text->source().adjusted(QUrl::RemoveFragment), QUrl::fromLocalFile(localHelpPage()));
    }

    // An opener that fails within its answer time counts as no browser; one
    // still running then has handed the page on (or is the browser itself),
    // and how it ends later opens no help window.
    void anOpenerCountsOnlyWhileItAnswersInTime_data() {
        QTest::addColumn<int>("runsMs");
        QTest::addColumn<int>("answerWithinMs");
        QTest::addColumn<bool>("failed");
        QTest::newRow("fails at once") << 0 << 5000 << true;
        QTest::newRow("fails after a while, within the answer time") << 300 << 5000 << true;
        QTest::newRow("fails after its answer time") << 800 << 100 << false;
    }
    void anOpenerCountsOnlyWhileItAnswersInTime() {
        QFETCH(int, runsMs);
        QFETCH(int, answerWithinMs);
        QFETCH(bool, failed);
        QTemporaryDir bin;
        QFile script(bin.filePath(QStringLiteral("xdg-open")));
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write(QStringLiteral("#!/bin/sh\nsleep %1\nexit 3\n").arg(runsMs / 1000.0).toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner);
        const QByteArray path = qgetenv("PATH");
        qputenv("PATH", bin.path().toLocal8Bit() + ':' + path);
        bool called = false;
        QObject context;
        openOnDesktop(
            QUrl(QStringLiteral("https://example.org/")), &context, [&called] { called = true; },
            std::chrono::milliseconds(answerWithinMs));
        qputenv("PATH", path);
        if (failed)
            QTRY_VERIFY_WITH_TIMEOUT(called, 10000);
        else {
            QTest::qWait(runsMs + 700);
            QVERIFY(!called);
        }
    }

    // The installed page beside the installed program comes first; a
    // program in a build tree falls back to the source tree's page.
    void helpPageLookedForBesideTheProgramFirst() {
        QTemporaryDir prefix;
        QVERIFY(prefix.isValid());
        const QString bin = prefix.filePath(QStringLiteral("bin"));
        const QStringList where = helpPageCandidates(bin);
        QCOMPARE(where.size(), 2);
        QCOMPARE(where[0], prefix.filePath(QStringLiteral("share/jollix/help/index.html")));
        QVERIFY(where[1].endsWith(QStringLiteral("data/help/index.html")));
    }

    void theAboutBoxShowsEveryTextWhole_data() {
        QTest::addColumn<int>("pointSize");
        QTest::newRow("test font") << 0;
        QTest::newRow("14 pt") << 14;
        QTest::newRow("20 pt") << 20;
    }
    void theAboutBoxShowsEveryTextWhole() {
        QFETCH(int, pointSize);
        auto about = withFontSize(pointSize, [] { return std::make_unique<AboutBox>(); });
        about->show();
        QVERIFY(QTest::qWaitForWindowExposed(about.get()));
        // No line of the text is cut at the right or wrapped.
        QCOMPARE(about->textBox->horizontalScrollBar()->maximum(), 0);
        QCOMPARE(about->textBox->document()->lineCount(), aboutText().count(QLatin1Char('\n')) + 1);
        QVERIFY(about->addressLabel->width() >= about->addressLabel->sizeHint().width());
        for (QAbstractButton* b : about->findChildren<QAbstractButton*>())
            QVERIFY(b->width() >= b->fontMetrics().horizontalAdvance(b->text()));
    }

    void theAboutBox() {
        QVERIFY(!p->form->aboutBox()->isVisible());
        p->form->commands.about.menuItem->trigger();
        AboutBox* a = p->form->aboutBox();
        QVERIFY(a->isVisible());
        QVERIFY(!a->isModal());
        QCOMPARE(a->windowTitle(), QStringLiteral("About_us"));
        QVERIFY(a->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
        QVERIFY(a->textBox->isReadOnly());
        const QStringList lines = a->textBox->toPlainText().split(QLatin1Char('\n'));
        QCOMPARE(lines.value(0), QStringLiteral("Name: Jollix"));
        QCOMPARE(lines.value(1), QString());
        QCOMPARE(lines.value(2), QStringLiteral("Version: 6.01"));
        QCOMPARE(lines.value(6), QStringLiteral("Release time: 09/05/2008"));
        for (const char* label : {"Website:", "Support:", "WebMaster;", "Tech-support: ", "Sales:"}) {
            const int at = lines.indexOf(QString::fromUtf8(label));
            QVERIFY2(at > 0, label);
            QVERIFY(!lines.value(at + 1).isEmpty());
            QCOMPARE(lines.value(at - 1), QString());
        }
        for (const char* label : {"Support:", "WebMaster;", "Tech-support: ", "Sales:"})
            QVERIFY(
                lines.value(lines.indexOf(QString::fromUtf8(label)) + 1).contains(QStringLiteral("jollix.example")));
        // The website and the link are the home page, which exists.
        QCOMPARE(lines.value(lines.indexOf(QStringLiteral("Website:")) + 1), shownAddress(homePage()));
        QVERIFY(a->addressLabel->text().contains(homePage().toString(QUrl::FullyEncoded).toHtmlEscaped()));
        QVERIFY(!a->addressLabel->openExternalLinks());
        // The other windows go on working while it is shown.
        p->form->zoomIn();
        QCOMPARE(p->form->zoomLabel()->text(), QStringLiteral("125.0%"));
    }

    void imageSizeDialogShowsWithoutBlocking() {
        p->form->commands.imageSize.shortcut->trigger();
        QVERIFY(p->form->imageSizeDialog()->isVisible());
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
