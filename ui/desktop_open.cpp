#include "ui/desktop_open.h"

#include <QObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTimer>
#include <memory>
#include <utility>

namespace jollix {

void openOnDesktop(const QUrl& url, QObject* context, std::function<void()> onFailure,
                   std::chrono::milliseconds answerWithin) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (opener.isEmpty()) {
        QTimer::singleShot(0, context, std::move(onFailure));
        return;
    }
    // The process belongs to no window: closing the program neither waits
    // for it nor ends it. The answer goes to context while it exists.
    auto* process = new QProcess;
    process->setProgram(opener);
    process->setArguments({url.toString(QUrl::FullyEncoded)});
    process->setStandardInputFile(QProcess::nullDevice());
    process->setStandardOutputFile(QProcess::nullDevice());
    process->setStandardErrorFile(QProcess::nullDevice());
    auto fail = std::make_shared<std::function<void()>>(std::move(onFailure));
    auto failOnce = [fail] {
        if (*fail) std::exchange(*fail, nullptr)();
    };
    QObject::connect(process, &QProcess::errorOccurred, context, [failOnce](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) failOnce();
    });
    QObject::connect(process, &QProcess::finished, context, [failOnce](int code, QProcess::ExitStatus status) {
        if (status != QProcess::NormalExit || code != 0) failOnce();
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process](QProcess::ProcessError error) {
        if (error == QProcess::FailedToStart) process->deleteLater();
    });
    QObject::connect(process, &QProcess::finished, process, &QObject::deleteLater);
    // An opener that is still running after answerWithin has handed the
    // address on (or is the browser itself): how it ends later says nothing
    // about whether the page was shown.
    QTimer::singleShot(answerWithin, context, [fail] { *fail = nullptr; });
    process->start();
}

}  // namespace jollix
