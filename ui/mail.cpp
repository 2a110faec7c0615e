#include "ui/mail.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>

#include "core/error.h"
#include "io/animated_gif.h"
#include "io/picture_files.h"
#include "ui/error_handling.h"
#include "ui/translations.h"

namespace jollix {

namespace {

const std::string* valueOf(const MailRequest& request, const std::string& name) {
    const auto it = request.find(name);
    return it == request.end() ? nullptr : &it->second;
}

QString qs(const std::string& s) { return QString::fromStdString(s); }

}  // namespace

QStringList mailArguments(const MailRequest& request) {
    // Every text is handed over as UTF-8.
    QStringList args{QStringLiteral("--utf8")};
    if (const std::string* subject = valueOf(request, "subject")) args << QStringLiteral("--subject") << qs(*subject);
    if (const std::string* body = valueOf(request, "body"))
        args << QStringLiteral("--body") << qs(*body).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    for (int i = 0;; ++i) {
        const std::string* path = valueOf(request, "attachment" + std::to_string(i));
        if (!path) break;
        args << QStringLiteral("--attach") << qs(*path);
    }
    if (const std::string* to = valueOf(request, "to")) args << qs(*to);
    return args;
}

bool sendMail(const MailRequest& request, const MailFailure& failed) {
    auto fail = [&](const QString& reason) {
        if (failed) failed(reason);
        return false;
    };
    const QString program = QStandardPaths::findExecutable(QStringLiteral("xdg-email"));
    if (program.isEmpty()) return fail(uiText("xdg-email, which hands mail to the mail program, is not installed"));
    // The recipient is the last argument; one that starts like an option
    // would be read as one.
    if (const std::string* to = valueOf(request, "to"); to && (to->empty() || to->front() == '-'))
        return fail(uiText("the recipient is not a mail address"));
    // The process object outlives this call and deletes itself when
    // xdg-email ends; it has no parent, so that quitting the program does
    // not kill a hand-over still in progress.
    auto* process = new QProcess;
    process->setProgram(program);
    process->setArguments(mailArguments(request));
    process->setProcessChannelMode(QProcess::ForwardedChannels);
    QObject::connect(process, &QProcess::finished, process, [process, failed](int code, QProcess::ExitStatus status) {
        process->deleteLater();
        if (!failed) return;
        if (status != QProcess::NormalExit)
            failed(uiText("xdg-email stopped unexpectedly"));
        else if (code != 0)
            failed(uiText("xdg-email reported failure %1").arg(code));
    });
    QObject::connect(process, &QProcess::errorOccurred, process, [process, failed](QProcess::ProcessError error) {
        if (error != QProcess::FailedToStart) return;  // the other errors end in finished()
        process->deleteLater();
        if (failed) failed(uiText("xdg-email could not be started"));
    });
    process->start();
    return true;
}

std::string mailBody() {
    return std::string("Hello!\r\n\r\nIt is a good software. The download link is folows:\r\n") + kDownloadAddress +
           "\r\n\r\nPlease try it. It would give you happiness!\r\nGood luck!";
}

QString mailWorkPath() {
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    return QDir(folder).filePath(QStringLiteral("mywork.jpg"));
}

QString mailFailedMessage(const QString& reason, const QString& picturePath) {
    return QStringLiteral(
               "The picture could not be handed to your mail program: %1.\n\n"
               "It was saved as\n%2\nso that you can attach it to a message yourself.")
        .arg(reason, QDir::toNativeSeparators(picturePath));
}

void mailWork(const Picture& picture, const std::vector<Picture>& animation) {
    const QString path = mailWorkPath();
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder)) throw JollixError("Cannot create the folder " + folder.toStdString());
    saveJpeg(picture, path.toStdString());
    MailRequest request{
        {"subject", kMailSubject},
        {"body", mailBody()},
        {"attachment0", path.toStdString()},
    };
    if (!animation.empty()) {
        const std::string gif = withExtension(path.toStdString(), ".gif");
        saveAnimatedGif(animation, gif);
        request["attachment1"] = gif;
    }
    sendMail(request, [path](const QString& reason) { reportError(mailFailedMessage(reason, path)); });
}

}  // namespace jollix
