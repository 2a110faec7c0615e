#include "ui/funny_face_menu.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPointer>
#include <QStatusBar>
#include <QThread>
#include <QTimer>
#include <QWidget>

#include "core/error.h"
#include "ui/error_handling.h"
#include "ui/main_window.h"
#include "ui/work_area.h"
#include "ui/translations.h"

namespace jollix {

// The faces found, outlined over the picture: the face's box and the eyes,
// drawn black under white so that they show on any picture. It lies on the
// picture widget, lets every mouse event through, and follows the zoom.
class FaceOutlines : public QWidget {
public:
    FaceOutlines(QWidget* picture, const Editor& editor, const std::vector<Face>& faces)
        : QWidget(picture), editor_(editor), faces_(faces) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setAttribute(Qt::WA_NoSystemBackground);
        setGeometry(picture->rect());
        show();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        const double scale = editor_.state().zoomPercent / 100.0;
        auto view = [&](const FaceBox& b) {
            return QRectF(b.x * scale, b.y * scale, b.width * scale, b.height * scale);
        };
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setBrush(Qt::NoBrush);
        for (const QPen& pen : {QPen(Qt::black, 3), QPen(Qt::white, 1)}) {
            p.setPen(pen);
            for (const Face& f : faces_) {
                p.drawRect(view(f.box));
                p.drawEllipse(view(f.leftEye));
                p.drawEllipse(view(f.rightEye));
            }
        }
    }

private:
    const Editor& editor_;
    std::vector<Face> faces_;
};

struct FunnyFaceMenu::Search {
    Picture picture;
    std::vector<Face> faces;
    std::exception_ptr failure;
};

namespace {

// Whether b is still the picture a was copied from (they share every tile).
bool samePicture(const Picture& a, const Picture& b) {
    return a.width() == b.width() && a.height() == b.height() && a.sharedTileCount(b) == a.tileCount();
}

}  // namespace

FunnyFaceMenu::FunnyFaceMenu(MainWindow& window, Editor& editor) : QObject(&window), window_(window), editor_(editor) {
    menu_ = new QMenu(tr("F&unny face"), &window);
    menu_->setObjectName(QStringLiteral("funnyFaceMenu"));
    for (const FacePreset& preset : facePresets()) {
        QAction* a = menu_->addAction(uiText(preset.caption));
        connect(a, &QAction::triggered, this, [this, &preset] { apply(preset); });
        items_.push_back(a);
    }
    menu_->addSeparator();
    again_ = menu_->addAction(tr("Again"));
    again_->setShortcut(QKeySequence(QStringLiteral("Ctrl+F")));
    again_->setShortcutContext(Qt::ApplicationShortcut);
    again_->setEnabled(false);
    connect(again_, &QAction::triggered, this, [this] {
        if (last_) apply(*last_);
    });
    // Before the last menu of the bar, the Help menu.
    QMenuBar* bar = window.menuBar();
    const QList<QAction*> menus = bar->actions();
    if (menus.isEmpty())
        bar->addMenu(menu_);
    else
        bar->insertMenu(menus.constLast(), menu_);

    outlineTimer_ = new QTimer(this);
    outlineTimer_->setSingleShot(true);
    outlineTimer_->setInterval(kOutlineMs);
    connect(outlineTimer_, &QTimer::timeout, this, &FunnyFaceMenu::applyFound);
}

FunnyFaceMenu::~FunnyFaceMenu() {
    // A search still running finishes before its results go.
    if (thread_) thread_->wait();
}

void FunnyFaceMenu::apply(const FacePreset& preset) {
    if (busy_) return;
    busy_ = true;
    running_ = &preset;
    last_ = &preset;
    again_->setText(tr("Again: %1").arg(uiText(preset.caption)));
    again_->setEnabled(true);
    window_.statusBar()->showMessage(tr("Looking for faces..."));

    auto search = std::make_shared<Search>();
    search->picture = editor_.picture();
    search_ = search;
    thread_ = QThread::create([search] {
        try {
            search->faces = findFaces(search->picture);
        } catch (...) {
            search->failure = std::current_exception();
        }
    });
    connect(thread_, &QThread::finished, this, &FunnyFaceMenu::searchFinished);
    connect(thread_, &QThread::finished, thread_, &QObject::deleteLater);
    thread_->start();
}

void FunnyFaceMenu::searchFinished() {
    thread_ = nullptr;
    const std::shared_ptr<Search> search = search_;
    if (!samePicture(search->picture, editor_.picture())) {
        // The picture changed during the search: look again at the new one.
        busy_ = false;
        apply(*running_);
        return;
    }
    if (search->failure || search->faces.empty()) {
        guarded([&] {
            if (search->failure) std::rethrow_exception(search->failure);
            throw JollixError(kNoFaceFound);
        });
        finish();
        return;
    }
    shown_ = search->faces;
    if (WorkArea* area = window_.workArea()) outlines_ = new FaceOutlines(area->pictureWidget(), editor_, shown_);
    outlineTimer_->start();
}

void FunnyFaceMenu::applyFound() {
    delete outlines_.data();
    const std::vector<Face> faces = std::move(shown_);
    shown_.clear();
    if (!samePicture(search_->picture, editor_.picture())) {
        busy_ = false;
        apply(*running_);
        return;
    }
    guarded([&] { editor_.applyFacePreset(*running_, faces); });
    window_.refreshAll();
    finish();
}

void FunnyFaceMenu::finish() {
    busy_ = false;
    search_.reset();
    window_.statusBar()->clearMessage();
    emit done();
}

}  // namespace jollix
