#include "ui/desktop_open.h"

#include <QObject>
#include <QProcess>
#include <utility>
#include <QStandardPaths>
#include <QTimer>
#include <memory>

namespace jollix {

void openOnDesktop(const QUrl& url, QObject* context, std::function<void()> onFailure) {
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
    process->start();
}

}  // namespace jollix
