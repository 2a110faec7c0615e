#include "ui/main_window.h"

#include <QAction>
#include <QActionGroup>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageReader>
#include <QLabel>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QScrollArea>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>
#include <QVBoxLayout>

#include "io/picture_files.h"
#include "io/qimage_picture.h"
#include "ui/about_box.h"
#include "ui/clipboard.h"
#include "ui/error_handling.h"
#include "ui/icons.h"
#include "ui/image_size_dialog.h"
#include "ui/mail.h"
#include "ui/printing.h"
#include "ui/tool_palette.h"
#include "ui/work_area.h"

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

namespace {

// The preview pane of the file dialogs: the picture under the cursor,
// scaled to fit, and its size.
class PreviewPane : public QWidget {
public:
    static constexpr int kSide = 180;
    static constexpr qint64 kMaxOwnDecodeBytes = 64 * 1024 * 1024;

    explicit PreviewPane(QWidget* parent = nullptr) : QWidget(parent) {
        setObjectName(QStringLiteral("preview"));
        image_ = new QLabel(this);
        image_->setFixedSize(kSide, kSide);
        image_->setAlignment(Qt::AlignCenter);
        image_->setFrameShape(QFrame::StyledPanel);
        size_ = new QLabel(this);
        size_->setAlignment(Qt::AlignCenter);
        auto* l = new QVBoxLayout(this);
        l->setContentsMargins(4, 0, 0, 0);
        l->addWidget(image_);
        l->addWidget(size_);
        l->addStretch(1);
    }

    void showFile(const QString& path) {
        image_->clear();
        size_->clear();
        const QFileInfo info(path);
        if (!info.isFile()) return;
        QImage img;
        QSize full;
        {
            QImageReader reader(path);
            full = reader.size();
            if (full.isValid() && (full.width() > kSide || full.height() > kSide))
                reader.setScaledSize(full.scaled(kSide, kSide, Qt::KeepAspectRatio));
            img = reader.read();
        }
        if (img.isNull() && info.size() <= kMaxOwnDecodeBytes) {
            // Formats only the program's own readers know (metafiles, ...).
            try {
                const Picture p = LoadPictureFile(QFile::encodeName(path).toStdString());
                full = QSize(p.width(), p.height());
                img = qimageFromPicture(p);
            } catch (...) {
                img = QImage();
            }
        }
        if (img.isNull()) {
            image_->setText(QStringLiteral("(no preview)"));
            return;
        }
        if (!full.isValid()) full = img.size();
        image_->setPixmap(QPixmap::fromImage(
            img.width() > kSide || img.height() > kSide ? img.scaled(kSide, kSide, Qt::KeepAspectRatio) : img));
        size_->setText(QStringLiteral("%1 x %2").arg(full.width()).arg(full.height()));
    }

private:
    QLabel* image_;
    QLabel* size_;
};

void addPreview(QFileDialog& dialog) {
    auto* preview = new PreviewPane(&dialog);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        preview->showFile(path);
    });
}

}  // namespace

// ---------------------------------------------------------------------------

TForm1::TForm1(Editor& editor) : QMainWindow(nullptr), editor_(editor) {
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Jollix v6.01"));
    setWindowIcon(icons::program());
    resize(885, 611);
    move(2, 23);

    mdiArea_ = new QMdiArea(this);
    setCentralWidget(mdiArea_);
    statusBar()->setSizeGripEnabled(true);  // empty: no messages are ever shown there

    buildCommands();

    // The other windows, in the order the program creates them.
    workArea_ = new TWork_area(editor_);
    mdiArea_->addSubWindow(workArea_);
    workArea_->move(0, 0);
    workArea_->show();

    tools_ = new TTools(editor_, this);
    tools_->onUserAction = [this] { refreshAll(); };
    editor_.setProgress(&tools_->progress());

    about_ = new TAbout_us(this);
    imageSize_ = new TImage_Size(editor_, this);

    editor_.onStateChanged = [this] { refreshAll(); };
    refreshAll();
}

TForm1::~TForm1() {
    editor_.onStateChanged = nullptr;
    editor_.setProgress(nullptr);
}

QAction* TForm1::toolBarButton(const QIcon& icon, const char* hint, void (TForm1::*handler)()) {
    auto* a = new QAction(icon, QString::fromUtf8(hint), this);
    a->setToolTip(QString::fromUtf8(hint));
    a->setCheckable(true);
    toolBarGroup_->addAction(a);
    connect(a, &QAction::triggered, this, handler);
    return a;
}

QAction* TForm1::menuItem(QMenu* menu, const char* caption, void (TForm1::*handler)(), const QKeySequence& shown) {
    // The shortcut belongs to the window's own shortcut action; the menu
    // only names it beside the caption.
    QString text = QString::fromUtf8(caption);
    if (!shown.isEmpty()) text += QLatin1Char('\t') + shown.toString(QKeySequence::NativeText);
    QAction* a = menu->addAction(text);
    connect(a, &QAction::triggered, this, handler);
    return a;
}

QAction* TForm1::shortcutAction(const QList<QKeySequence>& keys, void (TForm1::*handler)()) {
    auto* a = new QAction(this);
    a->setShortcuts(keys);
    // Shortcuts work whichever of the program's windows is active.
    a->setShortcutContext(Qt::ApplicationShortcut);
    addAction(a);
    connect(a, &QAction::triggered, this, handler);
    return a;
}

void TForm1::buildCommands() {
    // Menus.
    QMenu* file = menuBar()->addMenu(QStringLiteral("File"));
    open.menuItem = menuItem(file, "Open", &TForm1::Open1Click, QKeySequence(Qt::CTRL | Qt::Key_O));
    save.menuItem = menuItem(file, "Save", &TForm1::Save1Click, QKeySequence(Qt::CTRL | Qt::Key_S));
    exit.menuItem = menuItem(file, "Exit", &TForm1::Exit1Click, QKeySequence(Qt::CTRL | Qt::Key_Q));
    QMenu* edit = menuBar()->addMenu(QStringLiteral("Edit"));
    imageSize.menuItem = menuItem(edit, "Image Size", &TForm1::ImageSize1Click, QKeySequence(Qt::CTRL | Qt::Key_E));
    undo.menuItem = menuItem(edit, "Undo", &TForm1::Undo1Click, QKeySequence(Qt::CTRL | Qt::Key_Z));
    redo.menuItem = menuItem(edit, "Redo", &TForm1::Redo1Click, QKeySequence(Qt::CTRL | Qt::Key_Y));
    renew.menuItem = menuItem(edit, "Renew", &TForm1::RenewClick, QKeySequence(Qt::CTRL | Qt::Key_R));
    QMenu* help = menuBar()->addMenu(QStringLiteral("Help"));
    home.menuItem = menuItem(help, "Online", &TForm1::Online1Click, QKeySequence(Qt::CTRL | Qt::Key_L));
    faq.menuItem = menuItem(help, "F.A.Q.", &TForm1::Help2Click, QKeySequence(Qt::Key_F1));
    about.menuItem = menuItem(help, "About", &TForm1::About1Click);

    // Tool bar: one panel, buttons of 25 x 21 with hints, one exclusive group.
    toolBarGroup_ = new QActionGroup(this);
    toolBarGroup_->setExclusive(true);
    QToolBar* bar = addToolBar(QStringLiteral("Tools"));
    bar->setObjectName(QStringLiteral("ToolBar1"));
    bar->setMovable(false);
    bar->setFloatable(false);
    bar->setIconSize(QSize(16, 16));
    bar->toggleViewAction()->setEnabled(false);
    setContextMenuPolicy(Qt::NoContextMenu);

    open.button = toolBarButton(icons::openPicture(), "Open a new picture", &TForm1::Open1Click);
    save.button = toolBarButton(icons::saveDraft(), "Save the draft", &TForm1::Save1Click);
    undo.button = toolBarButton(icons::undo(), "Undo", &TForm1::Undo1Click);
    redo.button = toolBarButton(icons::redo(), "Redo", &TForm1::Redo1Click);
    renew.button = toolBarButton(icons::renew(), "Renew", &TForm1::RenewClick);
    zoomOut.button = toolBarButton(icons::zoomOut(), "Zoom out the view", &TForm1::SpeedButton8Click);
    zoomIn.button = toolBarButton(icons::zoomIn(), "Zoom in the view", &TForm1::SpeedButton9Click);
    selectZone.button = toolBarButton(icons::selectZone(), "Select a zone to cut", &TForm1::SpeedButton2Click);
    cutOut.button = toolBarButton(icons::cutOut(), "Cut out the selection", &TForm1::SpeedButton11Click);
    print.button = toolBarButton(icons::printWork(), "Print the work", &TForm1::SpeedButton16Click);
    mail.button = toolBarButton(icons::mailWork(), "Mail the work to a friend", &TForm1::SpeedButton1Click);
    home.button = toolBarButton(icons::online(), "Online", &TForm1::Online1Click);

    zoomLabel_ = new QLabel(QStringLiteral("100%"));
    zoomLabel_->setObjectName(QStringLiteral("Label1"));
    zoomLabel_->setAlignment(Qt::AlignCenter);
    zoomLabel_->setFixedSize(55, 21);

    auto addButton = [bar](QAction* a) {
        bar->addAction(a);
        if (QWidget* w = bar->widgetForAction(a)) w->setFixedSize(25, 21);
    };
    for (QAction* a : {open.button, save.button, undo.button, redo.button, renew.button, zoomOut.button, zoomIn.button})
        addButton(a);
    bar->addWidget(zoomLabel_);
    for (QAction* a : {selectZone.button, cutOut.button, print.button, mail.button, home.button}) addButton(a);

    // Shortcuts: window actions of their own, always enabled but Ctrl+C.
    // Ctrl+minus and Ctrl+equals are the keys of the main keyboard; the
    // keypad's minus and plus (and Ctrl+Shift+equals) do the same.
    open.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_O)}, &TForm1::Open1Click);
    save.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_S)}, &TForm1::Save1Click);
    exit.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_Q)}, &TForm1::Exit1Click);
    imageSize.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_E)}, &TForm1::ImageSize1Click);
    undo.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_Z)}, &TForm1::Undo1Click);
    redo.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_Y)}, &TForm1::Redo1Click);
    renew.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_R)}, &TForm1::RenewClick);
    zoomOut.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_Minus)}, &TForm1::SpeedButton8Click);
    zoomIn.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_Equal), QKeySequence(Qt::CTRL | Qt::Key_Plus)},
                                     &TForm1::SpeedButton9Click);
    copy.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_C)}, &TForm1::Action6Execute);
    paste.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_V)}, &TForm1::Action9Execute);
    print.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_P)}, &TForm1::SpeedButton16Click);
    mail.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_M)}, &TForm1::SpeedButton1Click);
    home.shortcut = shortcutAction({QKeySequence(Qt::CTRL | Qt::Key_L)}, &TForm1::Online1Click);
    faq.shortcut = shortcutAction({QKeySequence(Qt::Key_F1)}, &TForm1::Help2Click);
}

void TForm1::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    if (shownOnce_) return;
    shownOnce_ = true;
    workArea_->resize(615, 504);
    tools_->show();
}

void TForm1::refreshAll() {
    const History& h = editor_.history();
    undo.button->setEnabled(h.undoEnabled());
    undo.menuItem->setEnabled(h.undoEnabled());
    redo.button->setEnabled(h.redoEnabled());
    redo.menuItem->setEnabled(h.redoEnabled());
    cutOut.button->setEnabled(editor_.cutEnabled());
    copy.shortcut->setEnabled(editor_.copyEnabled());
    const QString zoom = QString::fromStdString(editor_.zoomLabel());
    if (zoomLabel_->text() != zoom) zoomLabel_->setText(zoom);

    if (workArea_) {
        PictureWidget* image = workArea_->Image1();
        image->resizeToControl();
        const Qt::CursorShape shape = editor_.cursor() == PictureCursor::Crosshair ? Qt::CrossCursor : Qt::ArrowCursor;
        if (image->cursor().shape() != shape) image->setCursor(shape);
        const QString hint =
            editor_.pictureHintShown() ? QString::fromStdString(editor_.palette().pictureHint) : QString();
        if (image->toolTip() != hint) image->setToolTip(hint);
    }
    if (tools_) tools_->refresh();
}

void TForm1::run(const std::function<void()>& command) {
    guarded(command);
    refreshAll();
}

// ---------------------------------------------------------------------------
// File commands

bool TForm1::openFile(const QString& fileName) {
    bool opened = false;
    run([&] {
        // The loader throws with a clear message for anything it cannot read;
        // the picture, Renew's picture, the history and the zoom then stay.
        const Picture loaded = LoadPictureFile(QFile::encodeName(fileName).toStdString());
        editor_.openPicture(loaded);
        opened = true;
    });
    return opened;
}

void TForm1::Open1Click() {
    // Changes not yet saved are never dropped without asking.
    if (!settleUnsavedChanges()) return;
    QFileDialog dialog(this, QStringLiteral("Open"), lastFolder_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilters(nameFiltersOf(QString::fromUtf8(kOpenFilter)));
    addPreview(dialog);
    // A cancelled Open changes nothing at all.
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
    const QString name = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(name).absolutePath();
    openFile(name);
}

bool TForm1::saveThroughDialog() {
    QFileDialog dialog(this, QStringLiteral("Save As"), lastFolder_);
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    // The chosen name gets the extension of the chosen type, and an
    // existing file of the final name is replaced.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = nameFiltersOf(QString::fromUtf8(kSaveFilter));
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.constFirst());
    addPreview(dialog);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    const QString name = dialog.selectedFiles().constFirst();
    lastFolder_ = QFileInfo(name).absolutePath();
    const int index = std::max<qsizetype>(0, filters.indexOf(dialog.selectedNameFilter())) + 1;
    bool saved = false;
    run([&] {
        SavePictureFile(editor_.picture(), QFile::encodeName(name).toStdString(), static_cast<SaveFormat>(index));
        editor_.markSaved();
        saved = true;
    });
    return saved;
}

void TForm1::Save1Click() { saveThroughDialog(); }

void TForm1::Exit1Click() { close(); }

bool TForm1::settleUnsavedChanges() {
    if (!editor_.isModified()) return true;
    QMessageBox box(QMessageBox::Question, QStringLiteral("Jollix"),
                    QStringLiteral("The picture has changes that have not been saved.\n"
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

void TForm1::closeEvent(QCloseEvent* event) {
    if (!settleUnsavedChanges()) {
        event->ignore();
        return;
    }
    event->accept();
    tools_->hide();
    about_->hide();
    imageSize_->hide();
}

// ---------------------------------------------------------------------------
// Edit commands

void TForm1::ImageSize1Click() {
    imageSize_->show();
    imageSize_->raise();
    imageSize_->activateWindow();
}

void TForm1::Undo1Click() { run([this] { editor_.undo(); }); }
void TForm1::Redo1Click() { run([this] { editor_.redo(); }); }
void TForm1::RenewClick() { run([this] { editor_.renew(); }); }
void TForm1::SpeedButton8Click() { run([this] { editor_.zoomOut(); }); }
void TForm1::SpeedButton9Click() { run([this] { editor_.zoomIn(); }); }

void TForm1::SpeedButton2Click() {
    run([this] {
        editor_.toggleZoneMode();
        // Leaving zone mode shows "Cut out the selection" as the pressed
        // button of the group, disabled.
        if (!editor_.state().SelectionShown) cutOut.button->setChecked(true);
    });
}

void TForm1::SpeedButton11Click() { run([this] { editor_.cutOut(); }); }

void TForm1::Action6Execute() {
    run([this] {
        if (const std::optional<Picture> zone = editor_.copyZone()) putPictureOnClipboard(*zone);
    });
}

void TForm1::Action9Execute() {
    run([this] {
        if (editor_.paste(pictureFromClipboard())) cutOut.button->setChecked(true);
    });
}

void TForm1::SpeedButton16Click() { run([this] { printWork(this, editor_.picture()); }); }
void TForm1::SpeedButton1Click() { run([this] { mailWork(editor_.picture()); }); }

// ---------------------------------------------------------------------------
// Help

void TForm1::Online1Click() { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kHomePage))); }
void TForm1::Help2Click() { QDesktopServices::openUrl(QUrl(QString::fromUtf8(kFaqPage))); }

void TForm1::About1Click() {
    about_->show();
    about_->raise();
}

} // namespace jollix
