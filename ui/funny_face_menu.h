#pragma once
// The main window's "Funny face" menu: an item per preset and "Again" with
// its shortcut, which applies the preset used last. Choosing one searches
// the picture for faces on a worker thread (the window keeps answering),
// outlines the faces found over the picture for a moment, then applies the
// preset to every face as one history step. A picture without a face gives
// the message and changes nothing.
#include <QObject>
#include <QPointer>
#include <exception>
#include <memory>
#include <vector>

#include "editor/editor.h"

class QAction;
class QMenu;
class QThread;
class QTimer;

namespace jollix {

class MainWindow;
class FaceOutlines;

class FunnyFaceMenu : public QObject {
    Q_OBJECT
public:
    // How long the outlines show before the change.
    static constexpr int kOutlineMs = 600;

    // Adds the menu to the window's menu bar, before its last menu (Help).
    FunnyFaceMenu(MainWindow& window, Editor& editor);
    ~FunnyFaceMenu() override;

    QMenu* menu() const { return menu_; }
    QAction* againAction() const { return again_; }
    // The item of each preset, in facePresets() order.
    const std::vector<QAction*>& presetActions() const { return items_; }

    // Starts the preset: search, outlines, change. Ignored while another
    // one is under way.
    void apply(const FacePreset& preset);
    // A search or the outlines are under way.
    bool busy() const { return busy_; }
    // The boxes outlined now (empty when none are shown), picture pixels.
    const std::vector<Face>& outlinedFaces() const { return shown_; }

signals:
    // The preset was applied, or the search ended without a change.
    void done();

private:
    struct Search;
    void searchFinished();
    void applyFound();
    void finish();

    MainWindow& window_;
    Editor& editor_;
    QMenu* menu_ = nullptr;
    QAction* again_ = nullptr;
    std::vector<QAction*> items_;
    const FacePreset* last_ = nullptr;
    const FacePreset* running_ = nullptr;
    bool busy_ = false;
    std::shared_ptr<Search> search_;
    QPointer<QThread> thread_;
    QTimer* outlineTimer_ = nullptr;
    QPointer<FaceOutlines> outlines_;
    std::vector<Face> shown_;
};

}  // namespace jollix
