#pragma once
// The main window "Jollix v" and the version: the menu bar, the tool bar with the zoom
// label, the keyboard shortcuts, an empty status bar, and inside it the work
// area. It creates the program's other windows (work area, tool palette,
// about box, image size dialog), runs the commands, and keeps every window's
// controls in step with the editing session.
#include <QMainWindow>
#include <QIcon>
#include <QKeySequence>
#include <QStringList>
#include <functional>
#include <optional>
#include <span>

#include "editor/editor.h"

class QAction;
class QActionGroup;
class QFileDialog;
class QLabel;
class QMenu;
class QMimeData;
class QMdiArea;
class QTimer;
class ImageSizeDialog;

namespace jollix {

class AboutBox;
class FunnyFaceMenu;
class HelpWindow;
class ToolPalette;
class WorkArea;

// A "description|mask|description|mask..." list as the file dialog's name
// filters ("description (mask)"). A mask of "*.*" means every file, also
// those without a dot, and becomes "*".
QStringList nameFiltersOf(const QString& pipeFilter);

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    // Creates the main window, then the work area, the tool palette, the
    // about box and the image size dialog, in that order.
    explicit MainWindow(Editor& editor);
    ~MainWindow() override;

    Editor& editor() { return editor_; }
    WorkArea* workArea() const { return workArea_; }
    ToolPalette* toolPalette() const { return tools_; }
    AboutBox* aboutBox() const { return about_; }
    ImageSizeDialog* imageSizeDialog() const { return imageSize_; }
    QLabel* zoomLabel() const { return zoomLabel_; }  // the zoom label
    FunnyFaceMenu* funnyFaceMenu() const { return funnyFaces_; }
    // The program's own help window; null until it was first needed.
    HelpWindow* helpWindow() const { return help_; }
    // File > Recent files: the files last opened or saved, newest first.
    QMenu* recentFilesMenu() const { return recentMenu_; }

    // Open a picture file as Open does after its dialog: on failure the
    // message is shown and nothing changes. Returns whether it was opened.
    bool openFile(const QString& fileName);

    // Before the picture is replaced or the program closes: when the picture
    // has changes that have not been saved, asks "Save / Discard / Cancel".
    // Returns true when the caller may go on (nothing to save, saved through
    // the save dialog, or discarded), false when the user cancelled or the
    // save did not happen; the picture is then as it was.
    bool settleUnsavedChanges();

    // Set every window's controls from the session.
    void refreshAll();

    // Tool-bar buttons, menu items and shortcut actions, by command.
    struct Command {
        QAction* button = nullptr;    // tool bar
        QAction* menuItem = nullptr;  // menu bar
        QAction* shortcut = nullptr;  // window-wide shortcut
    };
    // The commands, in the order of the command table (commandTable()).
    struct Commands {
        Command open, save, saveAnimation, imageSize, undo, redo, renew, zoomOut, zoomIn, fitToWindow, selectZone,
            cutOut, copy, copyPicture, paste, print, mail, home, faq, about, exit;
    } commands;
    QActionGroup* toolBarGroup() const { return toolBarGroup_; }

public slots:
    void openPicture();
    void savePicture();
    void saveAnimation();  // the edit as an animated GIF
    void exitProgram();
    void showImageSize();
    void undo();
    void redo();
    void renew();
    void zoomOut();  // zoom out
    void zoomIn();   // zoom in
    // The zoom at which the whole picture shows in the work area, within
    // the zoom's bounds.
    void fitToWindow();
    void selectZone();   // select a zone
    void cutOut();       // cut out the selection
    void copyZone();     // copy the zone
    void copyPicture();  // the whole picture to the clipboard
    void paste();        // paste
    void print();        // print
    void mail();         // mail
    void openHomePage();
    void openHelp();
    void showAbout();
    // The page in the program's own help window (when the desktop could
    // not open it).
    void showHelpWindow(const QUrl& page);
    // Open one of the recent files; a file that is gone is taken off the
    // list with a message.
    void openRecentFile(const QString& path);

    // A drop on the main window or the work area: the first local file
    // among the dropped ones whose name is one Open reads is opened as Open
    // does, after the question about unsaved changes. A drop without such a
    // file changes nothing and says so on the status bar.
    void openDropped(const QMimeData& dropped);

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void buildCommands();
    void run(const std::function<void()>& command);
    // Save through the save dialog; false when cancelled or failed.
    bool saveThroughDialog();
    // Asks "Replace / Cancel" before a save replaces the file at path.
    bool mayReplace(const QString& path);
    // Makes the animation's waiting frames once the user pauses.
    void scheduleFrames();
    void showIconFailure(const QString& message);
    // The desktop opens the page; the help window shows it when it cannot.
    void openPage(const QUrl& page);
    // A picture file was opened or saved: the recent files, the folder the
    // next Open or Save starts in, and the name Save proposes follow it.
    void rememberFile(const QString& path, bool saved);
    void rebuildRecentFilesMenu();
    // Where the open and save dialogs start.
    QString openFolder() const;
    QString saveStart() const;

    Editor& editor_;
    QMdiArea* mdiArea_;
    QLabel* zoomLabel_;
    QActionGroup* toolBarGroup_;
    WorkArea* workArea_ = nullptr;
    ToolPalette* tools_ = nullptr;
    AboutBox* about_ = nullptr;
    ImageSizeDialog* imageSize_ = nullptr;
    FunnyFaceMenu* funnyFaces_ = nullptr;
    HelpWindow* help_ = nullptr;
    QMenu* recentMenu_ = nullptr;
    bool shownOnce_ = false;
    QString currentFile_;           // the file last opened or saved in this run
    QString lastSaveFilter_;        // the save dialog's entry last chosen in this run
    QTimer* frameTimer_ = nullptr;  // the pause after which waiting frames are made
};

// The menus of the menu bar, left to right.
enum class MenuId { None, File, Edit, View, Help };

struct MenuRow {
    MenuId id;
    const char* title;  // with the "&" before the letter that opens it with Alt
};

// One command of the main window: everything the window shows of it and
// what it runs, declared once. The window builds its menus, its tool bar
// and its shortcut actions from these rows, in their order.
struct CommandRow {
    MainWindow::Command MainWindow::Commands::*command;  // the window's actions for it
    const char* name;                                    // what it does, as the help page names it
    MenuId menu;                                         // the menu holding its item, or None
    const char* caption;                                 // the menu item's text (translated), or nullptr
    const char* hint;                                    // the tool-bar button's hint, or nullptr for none
    QIcon (*icon)();                                     // the tool-bar button's picture
    // Its keys in portable text, alternatives separated by "; " (the
    // first one is shown beside the menu item), or nullptr for none.
    const char* keys;
    void (MainWindow::*handler)();
};

std::span<const MenuRow> menuTable();
std::span<const CommandRow> commandTable();

// A row's keys (empty for none).
QList<QKeySequence> keysOf(const CommandRow& row);

}  // namespace jollix
