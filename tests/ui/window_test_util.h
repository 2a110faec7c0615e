#pragma once
// Shared by the window tests: the program's windows on a session, errors
// collected instead of shown in message boxes, and pointer input sent the
// way the windowing system sends it.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QMouseEvent>
#include <QStringList>
#include <QTimer>
#include <QWheelEvent>
#include <QtTest>
#include <functional>
#include <memory>

#include "editor/editor.h"
#include "ui/error_handling.h"
#include "ui/text_fit.h"
#include "ui/main_window.h"
#include "ui/tool_palette.h"
#include "ui/work_area.h"

namespace jollix::testing {

// What a window test leaves of the user's own: its settings go to a
// folder of its own (XDG_CONFIG_HOME), and `xdg-open` is a stand-in that
// writes each address it is given on a line of its file and exits with the
// code in opener().setExit() (3 at first, as when no browser is installed).
class StandInOpener {
public:
    StandInOpener() {
        QDir().mkpath(bin());
        QFile script(bin() + QStringLiteral("/xdg-open"));
        script.open(QIODevice::WriteOnly);
        script.write(QStringLiteral("#!/bin/sh\nprintf '%s\\n' \"$1\" >> '%1'\nexit $(cat '%2')\n")
                         .arg(log(), exitFile())
                         .toUtf8());
        script.close();
        script.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        setExit(3);
        qputenv("PATH", (bin() + QStringLiteral(":") + qEnvironmentVariable("PATH")).toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", config().toLocal8Bit());
    }
    QString config() const { return dir_.filePath(QStringLiteral("config")); }
    QString bin() const { return dir_.filePath(QStringLiteral("bin")); }
    void setExit(int code) {
        QFile f(exitFile());
        f.open(QIODevice::WriteOnly);
        f.write(QByteArray::number(code));
    }
    // The addresses opened since the last call. The file is only ever
    // appended to: removing it after reading would lose a line that a
    // stand-in still running wrote in between.
    QStringList takeOpened() {
        QFile f(log());
        QStringList lines;
        if (f.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        const QStringList fresh = lines.mid(taken_);
        taken_ = int(lines.size());
        return fresh;
    }

private:
    QString log() const { return dir_.filePath(QStringLiteral("opened")); }
    QString exitFile() const { return dir_.filePath(QStringLiteral("exit")); }
    QTemporaryDir dir_;
    int taken_ = 0;  // lines of the log already taken
};

inline StandInOpener& opener() {
    static StandInOpener made;
    return made;
}

struct Program {
    std::unique_ptr<Editor> editor;
    std::unique_ptr<MainWindow> form;
    QStringList errors;

    explicit Program(std::optional<Picture> start = std::nullopt) {
        opener();
        setErrorReporter([this](const QString& m) { errors << m; });
        editor = std::make_unique<Editor>(std::move(start));
        form = std::make_unique<MainWindow>(*editor);
        form->show();
    }
    ~Program() {
        form.reset();
        editor.reset();
        setErrorReporter({});
    }
    WorkArea* area() const { return form->workArea(); }
    PictureWidget* image() const { return form->workArea()->pictureWidget(); }
    ToolPalette* tools() const { return form->toolPalette(); }
};

// Runs `act` on the modal window of type T once it is up.
template <class T, class F>
inline void whenModal(QObject* context, F act) {
    auto tries = std::make_shared<int>(0);
    auto poll = std::make_shared<std::function<void()>>();
    *poll = [=] {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget())) {
            act(w);
            return;
        }
        if (++*tries < 200) QTimer::singleShot(10, context, *poll);
    };
    QTimer::singleShot(0, context, *poll);
}

// A uniform picture, and one with a pattern so that every effect shows.
inline Picture patterned(int w, int h) {
    Picture p(w, h);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            p.setPixel(
                x, y, uint32_t((x * 7) & 255) | (uint32_t((y * 5) & 255) << 8) | (uint32_t(((x + y) * 3) & 255) << 16));
    return p;
}

// Mouse events delivered straight to a widget, with the held buttons given.
inline void send(QWidget* w, QEvent::Type type, QPoint pos, Qt::MouseButton button, Qt::MouseButtons held) {
    QMouseEvent e(type, QPointF(pos), QPointF(w->mapToGlobal(pos)), button, held, Qt::NoModifier);
    QApplication::sendEvent(w, &e);
}

inline void wheel(QWidget* w, int delta, QPoint pos = QPoint(5, 5)) {
    QWheelEvent e(QPointF(pos), QPointF(w->mapToGlobal(pos)), QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier,
                  Qt::NoScrollPhase, false);
    QApplication::sendEvent(w, &e);
}

inline void enter(QWidget* w) {
    QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(w->mapToGlobal(QPoint(5, 5))));
    QApplication::sendEvent(w, &e);
}

inline void leave(QWidget* w) {
    QEvent e(QEvent::Leave);
    QApplication::sendEvent(w, &e);
}

// Every text of the container's controls shows whole: each control has the
// room its text needs, inside the container, and no other control lies on
// that room.
inline void expectTextsWhole(QWidget* container) {
    const QList<QWidget*> controls = container->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly);
    for (QWidget* a : controls) {
        const QByteArray name = a->objectName().toLatin1() + " " + a->metaObject()->className();
        const QSize room = textRoomOf(a);
        if (room.isEmpty()) continue;
        QVERIFY2(container->rect().contains(QRect(a->pos(), room)), name);
        QVERIFY2(a->width() >= room.width() && a->height() >= room.height(), name);
        const QRect textRoom(a->pos(), room);
        for (QWidget* b : controls)
            if (b != a)
                QVERIFY2(!b->geometry().intersects(textRoom),
                         name + " under " + b->objectName().toLatin1() + " " + b->metaObject()->className());
    }
}

// Runs make() with the application's font at the given point size (0: the
// font as it is), then restores the font.
template <class F>
auto withFontSize(int pointSize, F make) {
    const QFont saved = QApplication::font();
    if (pointSize) {
        QFont f = saved;
        f.setPointSize(pointSize);
        QApplication::setFont(f);
    }
    auto made = make();
    QApplication::setFont(saved);
    return made;
}

}  // namespace jollix::testing
