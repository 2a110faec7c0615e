#include "ui/help_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

// JOLLIX_HELP_FROM_PROGRAM: the installed page relative to the installed
// program; JOLLIX_HELP_IN_SOURCE: the page in the source tree;
// JOLLIX_HOME_PAGE: the home page on the web, or empty. All three are set
// by ui/CMakeLists.txt.

namespace jollix {

QStringList helpPageCandidates(const QString& programDir) {
    return {QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(JOLLIX_HELP_FROM_PROGRAM))),
            QStringLiteral(JOLLIX_HELP_IN_SOURCE)};
}

QString localHelpPage() {
    for (const QString& path : helpPageCandidates(QCoreApplication::applicationDirPath()))
        if (QFileInfo(path).isFile()) return path;
    return {};
}

QUrl homePage() {
    const QString configured = QStringLiteral(JOLLIX_HOME_PAGE);
    if (!configured.isEmpty()) return QUrl(configured);
    const QString page = localHelpPage();
    return page.isEmpty() ? QUrl() : QUrl::fromLocalFile(page);
}

QString shownAddress(const QUrl& url) { return url.isLocalFile() ? url.toLocalFile() : url.toString(); }

}  // namespace jollix
