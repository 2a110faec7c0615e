#include "ui/help_page.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStringList>

// JOLLIX_HELP_FROM_PROGRAM: the installed page relative to the installed
// program; JOLLIX_HELP_IN_SOURCE: the page in the source tree. Both are
// set by ui/CMakeLists.txt.

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

}  // namespace jollix
