#include "ui/main_window.h"

#include <QAction>
#include <QApplication>
#include <QActionGroup>
#include <QCoreApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QStandardPaths>
#include <QStatusBar>
#include <QToolBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "core/error.h"
#include "effects/resample.h"
#include "io/animated_gif.h"
#include "io/formats.h"
#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "ui/about_box.h"
#include "ui/clipboard.h"
#include "ui/error_handling.h"
#include "ui/desktop_open.h"
#include "ui/file_preview.h"
#include "ui/funny_face_menu.h"
#include "ui/help_page.h"
#include "ui/help_window.h"
#include "ui/icons.h"
#include "ui/image_size_dialog.h"
#include "ui/mail.h"
#include "ui/printing.h"
#include "ui/settings.h"
#include "ui/tool_palette.h"
#include "ui/work_area.h"
#include "ui/translations.h"

namespace jollix {

QStringList nameFiltersOf(const QString& pipeFilter) {
    const QStringList parts = pipeFilter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QStringList masks = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& m : masks)
            if (m.trimmed() == QLatin1String("*.*")) m = QStringLiteral("*");
        filters << QStringLiteral("%1 (%2)").arg(parts[i], masks.join(QLatin1Char(' ')));
    }
    return filters;
}

// ---------------------------------------------------------------------------

MainWindow::MainWindow(Editor& editor) : QMainWindow(nullptr), editor_(editor) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Jollix v" JOLLIX_VERSION));
    setWindowIcon(icons::program());
    resize(885, 611);
    move(2, 23);
    RememberedSettings::keepToolkitSettingsOut();

    mdiArea_ = new QMdiArea(this);
    setCentralWidget(mdiArea_);
    statusBar()->setSizeGripEnabled(true);  // shows only what a drop could not open
    setAcceptDrops(true);                   // drops on the work area come here too

    buildCommands();

    // The other windows, in the order the program creates them.
    workArea_ = new WorkArea(editor_);
    mdiArea_->addSubWindow(workArea_);
    workArea_->move(0, 0);
    workArea_->show();

    tools_ = new ToolPalette(editor_, this);
    tools_->onUserAction = [this] { refreshAll(); };
    editor_.setProgress(&tools_->progress());

    about_ = new AboutBox(this);
    connect(about_->addressLabel, &QLabel::linkActivated, this, [this] { openHomePage(); });
    imageSize_ = new ImageSizeDialog(editor_, this);
    funnyFaces_ = new FunnyFaceMenu(*this, editor_);

    // The animation's small frames are made when the user pauses, so that
    // no click or repeat tick waits for them.
    frameTimer_ = new QTimer(this);
    frameTimer_->setSingleShot(true);
    frameTimer_->setInterval(300);
    connect(frameTimer_, &QTimer::timeout, this, [this] { guarded([this] { editor_.finishFrames(); }); });
    editor_.onFramesWaiting = [this] { scheduleFrames(); };

    editor_.onStateChanged = [this] { refreshAll(); };
    editor_.onStatusMessage = [this](const std::string& m) { statusBar()->showMessage(uiText(m)); };
    rebuildRecentFilesMenu();
    refreshAll();
}

MainWindow::~MainWindow() {
    editor_.onFramesWaiting = nullptr;
    editor_.onStateChanged = nullptr;
    editor_.onStatusMessage = nullptr;
    editor_.setProgress(nullptr);
}

// ---------------------------------------------------------------------------
// The command table

std::span<const MenuRow> menuTable() {
    static constexpr MenuRow kMenus[] = {
        {MenuId::File, "&File"},
        {MenuId::Edit, "&Edit"},
        {MenuId::View, QT_TRANSLATE_NOOP("jollix::MainWindow", "&View")},
        {MenuId::Help, "&Help"},
    };
    return kMenus;
}

std::span<const CommandRow> commandTable() {
    using F = MainWindow;
    using M = MenuId;
    // Ctrl+- and Ctrl+= are the minus and equals keys of the main keyboard;
    // Ctrl++ (the keypad's plus, or Shift+equals) zooms in as well, and the
    // keypad's minus arrives as Ctrl+- already.
    static const CommandRow kCommands[] = {
        {&F::Commands::open, "Open a picture", M::File, "Open", "Open a new picture", icons::openPicture, "Ctrl+O",
         &F::openPicture},
        {&F::Commands::save, "Save the picture", M::File, "Save", "Save the draft", icons::saveDraft, "Ctrl+S",
         &F::savePicture},
        {&F::Commands::saveAnimation, "Save the edit as an animation", M::File, "Save animation...", nullptr, nullptr,
         "Ctrl+Shift+S", &F::saveAnimation},
        {&F::Commands::imageSize, "Image size", M::Edit, "Image Size", nullptr, nullptr, "Ctrl+E", &F::showImageSize},
        {&F::Commands::undo, "Undo", M::Edit, "Undo", "Undo", icons::undo, "Ctrl+Z", &F::undo},
        {&F::Commands::redo, "Redo", M::Edit, "Redo", "Redo", icons::redo, "Ctrl+Y", &F::redo},
        {&F::Commands::renew, "Renew", M::Edit, "Renew", "Renew", icons::renew, "Ctrl+R", &F::renew},
        {&F::Commands::zoomOut, "Zoom out", M::None, nullptr, "Zoom out the view", icons::zoomOut, "Ctrl+-",
         &F::zoomOut},
        {&F::Commands::zoomIn, "Zoom in", M::None, nullptr, "Zoom in the view", icons::zoomIn, "Ctrl+=; Ctrl++",
         &F::zoomIn},
        {&F::Commands::fitToWindow, "Fit the whole picture in the window", M::View,
         QT_TRANSLATE_NOOP("jollix::MainWindow", "Fit to window"), nullptr, nullptr, "Ctrl+0", &F::fitToWindow},
        {&F::Commands::selectZone, "Select a zone", M::None, nullptr, "Select a zone to cut", icons::selectZone,
         nullptr, &F::selectZone},
        {&F::Commands::cutOut, "Cut out the zone", M::None, nullptr, "Cut out the selection", icons::cutOut, nullptr,
         &F::cutOut},
        {&F::Commands::copy, "Copy the zone", M::Edit, QT_TRANSLATE_NOOP("jollix::MainWindow", "Copy"), nullptr,
         nullptr, "Ctrl+C", &F::copyZone},
        {&F::Commands::copyPicture, "Copy the whole picture", M::Edit,
         QT_TRANSLATE_NOOP("jollix::MainWindow", "Copy picture"), nullptr, nullptr, "Ctrl+Shift+C", &F::copyPicture},
        {&F::Commands::paste, "Paste", M::Edit, QT_TRANSLATE_NOOP("jollix::MainWindow", "Paste"), nullptr, nullptr,
         "Ctrl+V", &F::paste},
        {&F::Commands::print, "Print", M::File, QT_TRANSLATE_NOOP("jollix::MainWindow", "Print..."), "Print the work",
         icons::printWork, "Ctrl+P", &F::print},
        {&F::Commands::mail, "Mail", M::None, nullptr, "Mail the work to a friend", icons::mailWork, "Ctrl+M",
         &F::mail},
        {&F::Commands::home, "Home page", M::Help, "Online", "Online", icons::online, "Ctrl+L", &F::openHomePage},
        {&F::Commands::faq, "Questions and answers", M::Help, "F.A.Q.", nullptr, nullptr, "F1", &F::openHelp},
        {&F::Commands::about, "About", M::Help, "About", nullptr, nullptr, nullptr, &F::showAbout},
        // Last, so that its menu item ends the File menu.
        {&F::Commands::exit, "Exit", M::File, "Exit", nullptr, nullptr, "Ctrl+Q", &F::exitProgram},
    };
    return kCommands;
}

QList<QKeySequence> keysOf(const CommandRow& row) {
    return row.keys ? QKeySequence::listFromString(QString::fromUtf8(row.keys), QKeySequence::PortableText)
                    : QList<QKeySequence>{};
}

void MainWindow::buildCommands() {
    // Menus: an item per row that names a menu. The shortcut belongs to the
    // window's own shortcut action; the menu only names it beside the caption.
    for (const MenuRow& m : menuTable()) {
        QMenu* menu = menuBar()->addMenu(uiText(m.title));
        for (const CommandRow& row : commandTable()) {
            if (row.menu != m.id) continue;
            // The recent files follow the saving commands.
            if (m.id == MenuId::File && row.command == &MainWindow::Commands::print) {
                recentMenu_ = menu->addMenu(tr("Recent files"));
                recentMenu_->setObjectName(QStringLiteral("recentFiles"));
                menu->addSeparator();
            }
            if (row.command == &MainWindow::Commands::exit) menu->addSeparator();
            QString text = uiText(row.caption);
            if (const QList<QKeySequence> keys = keysOf(row); !keys.isEmpty())
                text += QLatin1Char('\t') + keys.constFirst().toString(QKeySequence::NativeText);
            QAction* a = menu->addAction(text);
            connect(a, &QAction::triggered, this, row.handler);
            (commands.*row.command).menuItem = a;
        }
    }

    // Tool bar: one panel, buttons of 25 x 21 with hints, one exclusive
    // group; the zoom label follows "Zoom in the view".
    toolBarGroup_ = new QActionGroup(this);
    toolBarGroup_->setExclusive(true);
    QToolBar* bar = addToolBar(tr("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    zoomLabel_ = new QLabel(QStringLiteral("100%"));
    zoomLabel_->setObjectName(QStringLiteral("Label1"));
    zoomLabel_->setAlignment(Qt::AlignCenter);
    zoomLabel_->setFixedSize(55, 21);

    for (const CommandRow& row : commandTable()) {
        if (!row.hint) continue;
        const QString hint = uiText(row.hint);
        auto* a = new QAction(row.icon(), hint, this);
        a->setToolTip(hint);
        a->setCheckable(true);
        toolBarGroup_->addAction(a);
        connect(a, &QAction::triggered, this, row.handler);
        bar->addAction(a);
        if (QWidget* w = bar->widgetForAction(a)) w->setFixedSize(25, 21);
        (commands.*row.command).button = a;
        if (row.command == &MainWindow::Commands::zoomIn) bar->addWidget(zoomLabel_);
    }

    // Shortcuts: window actions of their own, working whichever of the
    // program's windows is active; refreshAll disables Ctrl+C alone.
    for (const CommandRow& row : commandTable()) {
        const QList<QKeySequence> keys = keysOf(row);
        if (keys.isEmpty()) continue;
        auto* a = new QAction(this);
        a->setShortcuts(keys);
        a->setShortcutContext(Qt::ApplicationShortcut);
        addAction(a);
        connect(a, &QAction::triggered, this, row.handler);
        (commands.*row.command).shortcut = a;
    }
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    workArea_->resize(615, 504);
    tools_->show();
}

void MainWindow::refreshAll() {
    // Never waits for a brush being finished in the background: the window
    // stays responsive, and the brush's end brings another refresh.
    const History& h = editor_.recordedHistory();
    commands.undo.button->setEnabled(h.undoEnabled());
    commands.undo.menuItem->setEnabled(h.undoEnabled());
    commands.redo.button->setEnabled(h.redoEnabled());
    commands.redo.menuItem->setEnabled(h.redoEnabled());
    commands.saveAnimation.menuItem->setEnabled(editor_.hasAnimation());
    commands.cutOut.button->setEnabled(editor_.cutEnabled());
    commands.copy.shortcut->setEnabled(editor_.copyEnabled());
    commands.copy.menuItem->setEnabled(editor_.copyEnabled());
    const QString zoom = QString::fromStdString(editor_.zoomLabel());
    if (zoomLabel_->text() != zoom) zoomLabel_->setText(zoom);

    if (workArea_) {
        PictureWidget* image = workArea_->pictureWidget();
        image->resizeToControl();
        const Qt::CursorShape shape = editor_.cursor() == PictureCursor::Crosshair ? Qt::CrossCursor : Qt::ArrowCursor;
        if (image->cursor().shape() != shape) image->setCursor(shape);
        const QString hint = editor_.pictureHintShown() ? uiText(editor_.palette().pictureHint) : QString();
        if (image->toolTip() != hint) image->setToolTip(hint);
    }
    if (tools_) tools_->refresh();
}

void MainWindow::run(const std::function<void()>& command) {
    guarded(command);
    refreshAll();
}

// ---------------------------------------------------------------------------
// File commands

bool MainWindow::openFile(const QString& fileName) {
    bool opened = false;
    run([&] {
        // The loader throws with a clear message for anything it cannot read;
        // the picture, Renew's picture, the history and the zoom then stay.
        const std::string name = QFile::encodeName(fileName).toStdString();
        Picture loaded;
        try {
            loaded = loadPictureFile(name);
        } catch (const JollixError& e) {
            if (formatForName(name) != PictureFormat::Ico) throw;
            showIconFailure(QString::fromStdString(e.what()));
            return;
        }
        editor_.openPicture(loaded);
        opened = true;
    });
    if (opened) rememberFile(fileName, false);
    return opened;
}

void MainWindow::rememberFile(const QString& path, bool saved) {
    const QFileInfo info(path);
    currentFile_ = info.absoluteFilePath();
    RememberedSettings settings;
    if (saved)
        settings.setSaveFolder(info.absolutePath());
    else
        settings.setOpenFolder(info.absolutePath());
    settings.addRecentFile(currentFile_);
    rebuildRecentFilesMenu();
}

void MainWindow::rebuildRecentFilesMenu() {
    recentMenu_->clear();
    const QStringList files = RememberedSettings().recentFiles();
    int n = 0;
    for (const QString& file : files) {
        ++n;
        // "&1 photo.jpg  (folder)": the number is the item's key.
        const QFileInfo info(file);
        QString shown = QStringLiteral("%1  (%2)").arg(info.fileName(), QDir::toNativeSeparators(info.absolutePath()));
        shown.replace(QLatin1Char('&'), QStringLiteral("&&"));
        const QString text = QStringLiteral("&%1 %2").arg(n % 10).arg(shown);
        QAction* a = recentMenu_->addAction(text);
        a->setData(file);
        a->setToolTip(file);
        connect(a, &QAction::triggered, this, [this, file] { openRecentFile(file); });
    }
    if (!files.isEmpty()) {
        recentMenu_->addSeparator();
        QAction* clear = recentMenu_->addAction(tr("Clear the list"));
        connect(clear, &QAction::triggered, this, [this] {
            RememberedSettings().clearRecentFiles();
            rebuildRecentFilesMenu();
        });
    }
    recentMenu_->setEnabled(!files.isEmpty());
}

void MainWindow::openRecentFile(const QString& path) {
    if (!QFileInfo(path).isFile()) {
        RememberedSettings().removeRecentFile(path);
        rebuildRecentFilesMenu();
        QMessageBox box(QMessageBox::Information, QStringLiteral("Jollix"),
                        tr("The file %1 is no longer there; it has been taken off the recent files.")
                            .arg(QDir::toNativeSeparators(path)),
                        QMessageBox::Ok, this);
        box.setObjectName(QStringLiteral("recentFileMissing"));
        box.exec();
        return;
    }
    // Changes not yet saved are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    openFile(path);
}

QString MainWindow::openFolder() const {
    const QString remembered = RememberedSettings().openFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    const QString pictures = QStandardPaths::writableLocation(QStandardPaths::PicturesLocation);
    return QFileInfo(pictures).isDir() ? pictures : QDir::homePath();
}

QString MainWindow::saveStart() const {
    // The file opened or saved last, in its folder, without its extension
    // (the chosen type gives it one).
    if (!currentFile_.isEmpty() && QFileInfo(currentFile_).absoluteDir().exists()) {
        const QFileInfo info(currentFile_);
        return info.absoluteDir().filePath(info.completeBaseName());
    }
    const QString remembered = RememberedSettings().saveFolder();
    if (!remembered.isEmpty() && QFileInfo(remembered).isDir()) return remembered;
    return openFolder();
}

void MainWindow::showIconFailure(const QString& message) {
    // An icon that cannot be read has a box of its own, captioned "Exit".
    QMessageBox box(QMessageBox::NoIcon, tr("Exit"), message, QMessageBox::Ok, this);
    box.setObjectName(QStringLiteral("iconFailure"));
    box.exec();
}

bool MainWindow::mayReplace(const QString& path) {
    QMessageBox box(QMessageBox::Warning, QStringLiteral("Jollix"),
                    tr("The file %1 already exists.\nDo you want to replace it?").arg(QDir::toNativeSeparators(path)),
                    QMessageBox::NoButton, this);
    box.setObjectName(QStringLiteral("replaceFile"));
    QPushButton* replace = box.addButton(tr("Replace"), QMessageBox::AcceptRole);
    box.setDefaultButton(box.addButton(QMessageBox::Cancel));
    box.exec();
    return box.clickedButton() == replace;
}

void MainWindow::openPicture() {
    // Changes not yet saved are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    QFileDialog dialog(this, tr("Open"), openFolder());
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFiltersOf(QString::fromStdString(openDialogFilter())));
    addPreview(dialog);
    // A cancelled Open changes nothing at all.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    openFile(dialog.selectedFiles().constFirst());
}

bool MainWindow::saveThroughDialog() {
    QFileDialog dialog(this, tr("Save As"));
    const QString start = saveStart();
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The chosen name gets the extension of the chosen type; the question
    // before replacing a file is asked below, about the name really written.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFiltersOf(QString::fromStdString(saveDialogFilter()));
    dialog.setNameFilters(filters);
    // The first entry the first time, later the entry last chosen.
    dialog.selectNameFilter(filters.contains(lastSaveFilter_) ? lastSaveFilter_ : filters.constFirst());
    if (QFileInfo(start).isDir()) {
        dialog.setDirectory(start);
    } else {
        dialog.setDirectory(QFileInfo(start).absolutePath());
        dialog.selectFile(QFileInfo(start).fileName());
    }
    addPreview(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString name = dialog.selectedFiles().constFirst();
    lastSaveFilter_ = dialog.selectedNameFilter();
    const int index = std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())) + 1;
    const SaveFormat format = static_cast<SaveFormat>(index);
    const std::string written = forcedFileName(QFile::encodeName(name).toStdString(), format);
    if (QFileInfo::exists(QFile::decodeName(written.c_str())) && !mayReplace(QFile::decodeName(written.c_str())))
        return false;
    bool saved = false;
    run([&] {
        savePictureFile(editor_.picture(), QFile::encodeName(name).toStdString(), format);
        editor_.markSaved();
        saved = true;
    });
    if (saved) rememberFile(QFile::decodeName(written.c_str()), true);
    return saved;
}

void MainWindow::savePicture() { saveThroughDialog(); }

void MainWindow::scheduleFrames() { frameTimer_->start(); }

void MainWindow::saveAnimation() {
    // Ctrl+Shift+S works while the menu item is disabled.
    if (!editor_.hasAnimation()) return;
    const QString start = saveStart();
    QFileDialog dialog(this, tr("Save animation"), QFileInfo(start).isDir() ? start : QFileInfo(start).absolutePath());
    dialog.setObjectName(QStringLiteral("saveAnimation"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilters({tr("Animated GIF (*.gif)")});
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString name = dialog.selectedFiles().constFirst();
    RememberedSettings().setSaveFolder(QFileInfo(name).absolutePath());
    const QString written = QFile::decodeName(withExtension(QFile::encodeName(name).toStdString(), ".gif").c_str());
    if (QFileInfo::exists(written) && !mayReplace(written)) return;
    run([&] {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const auto restore = qScopeGuard([] { QApplication::restoreOverrideCursor(); });
        saveAnimatedGif(editor_.animationFrames(), QFile::encodeName(written).toStdString());
    });
}

void MainWindow::exitProgram() { close(); }

bool MainWindow::settleUnsavedChanges() {
    if (!editor_.isModified()) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Jollix"),
                    tr("The picture has changes that have not been saved.\n"
                       "Do you want to save them?"),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.setObjectName(QStringLiteral("saveChanges"));
    box.setDefaultButton(QMessageBox::Save);
    switch (box.exec()) {
        case QMessageBox::Save: return saveThroughDialog();
        case QMessageBox::Discard: return true;
        default: return false;  // Cancel, Escape
    }
}

// ---------------------------------------------------------------------------
// Drag and drop

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    // Anything may be dropped: what is no picture file is answered on the
    // status bar.
    event->acceptProposedAction();
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) { event->acceptProposedAction(); }

void MainWindow::dropEvent(QDropEvent* event) {
    event->acceptProposedAction();
    // The drop's data lives only as long as the event; the opening (with
    // its questions and messages) runs once the drag has ended.
    auto* copy = new QMimeData;
    copy->setUrls(event->mimeData()->urls());
    QTimer::singleShot(0, this, [this, copy] {
        openDropped(*copy);
        delete copy;
    });
}

void MainWindow::openDropped(const QMimeData& dropped) {
    QString picture;
    for (const QUrl& url : dropped.urls()) {
        if (!url.isLocalFile()) continue;
        const QString file = url.toLocalFile();
        if (formatOfFile(QFile::encodeName(file).toStdString()) != PictureFormat::Unknown) {
            picture = file;
            break;
        }
    }
    if (picture.isEmpty()) {
        statusBar()->showMessage(tr("Nothing to open: only picture files (%1) can be dropped here.")
                                     .arg(QString::fromStdString(formatNamesText())),
                                 8000);
        return;
    }
    statusBar()->clearMessage();
    // Changes not yet saved are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    openFile(picture);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    tools_->dismiss();
    about_->hide();
    imageSize_->hide();
    if (help_) help_->hide();
}

// ---------------------------------------------------------------------------
// Edit commands

void MainWindow::showImageSize() {
    imageSize_->show();
    imageSize_->raise();
    imageSize_->activateWindow();
}

void MainWindow::undo() {
    run([this] { editor_.undo(); });
}
void MainWindow::redo() {
    run([this] { editor_.redo(); });
}
void MainWindow::renew() {
    run([this] { editor_.renew(); });
}
void MainWindow::zoomOut() {
    run([this] { editor_.zoomOut(); });
}
void MainWindow::zoomIn() {
    run([this] { editor_.zoomIn(); });
}

void MainWindow::fitToWindow() {
    run([this] {
        // The room the picture has without scroll bars.
        if (workArea_->isMinimized()) workArea_->showNormal();
        const QSize room = workArea_->scrollArea()->maximumViewportSize();
        editor_.fitZoom(room.width(), room.height());
    });
}

void MainWindow::selectZone() {
    run([this] {
        editor_.toggleZoneMode();
        // Leaving zone mode shows "Cut out the selection" as the pressed
        // button of the group, disabled.
        if (!editor_.state().selectionShown) commands.cutOut.button->setChecked(true);
    });
}

void MainWindow::cutOut() {
    run([this] { editor_.cutOut(); });
}

void MainWindow::copyZone() {
    run([this] {
        if (const std::optional<Picture> zone = editor_.copyZone()) putPictureOnClipboard(*zone);
    });
}

void MainWindow::copyPicture() {
    run([this] {
        if (!editor_.picture().isEmpty()) putPictureOnClipboard(editor_.picture());
    });
}

void MainWindow::paste() {
    run([this] {
        if (editor_.paste(pictureFromClipboard())) commands.cutOut.button->setChecked(true);
    });
}

void MainWindow::print() {
    run([this] { printWork(this, editor_.picture()); });
}
void MainWindow::mail() {
    // With an edit to show, the animation may go along with the picture.
    std::vector<Picture> animation;
    if (editor_.hasAnimation()) {
        QMessageBox box(QMessageBox::Question, QStringLiteral("Jollix"),
                        tr("Attach the animation of your edit (mywork.gif) as well?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, this);
        box.setObjectName(QStringLiteral("mailAnimation"));
        box.setDefaultButton(QMessageBox::Yes);
        const int answer = box.exec();
        if (answer == QMessageBox::Cancel) return;
        if (answer == QMessageBox::Yes) run([&] { animation = editor_.animationFrames(); });
    }
    run([&] { mailWork(editor_.picture(), animation); });
}

// ---------------------------------------------------------------------------
// Help

namespace {

QString requireHelpPage() {
    const QString page = localHelpPage();
    if (page.isEmpty())
        throw JollixError(
            "The help page is not installed; it is looked for in " +
            helpPageCandidates(QCoreApplication::applicationDirPath()).join(QStringLiteral(" and ")).toStdString() +
            ".");
    return page;
}

}  // namespace

void MainWindow::openPage(const QUrl& page) {
    openOnDesktop(page, this, [this] {
        // A web page the desktop cannot show leads to the local help page.
        run([this] { showHelpWindow(QUrl::fromLocalFile(requireHelpPage())); });
    });
}

void MainWindow::openHomePage() {
    run([this] {
        const QUrl home = homePage();
        openPage(home.isEmpty() ? QUrl::fromLocalFile(requireHelpPage()) : home);
    });
}

void MainWindow::openHelp() {
    run([this] { openPage(QUrl::fromLocalFile(requireHelpPage())); });
}

void MainWindow::showHelpWindow(const QUrl& page) {
    if (!help_) help_ = new HelpWindow(this);
    help_->showPage(page);
}

void MainWindow::showAbout() {
    about_->show();
    about_->raise();
}

}  // namespace jollix
