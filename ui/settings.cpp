#include "ui/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace jollix {

namespace {

const QString kOpenFolder = QStringLiteral("folders/open");
const QString kSaveFolder = QStringLiteral("folders/save");
const QString kRecent = QStringLiteral("recent/files");

void writeRecent(QStringList list) {
    list.removeDuplicates();
    while (list.size() > RememberedSettings::kRecentFiles) list.removeLast();
    QSettings s(RememberedSettings::filePath(), QSettings::IniFormat);
    s.setValue(kRecent, list);
}

}  // namespace

QString RememberedSettings::filePath() {
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("jollix.conf"));
}

QString RememberedSettings::openFolder() const {
    QSettings s(filePath(), QSettings::IniFormat);
    return s.value(kOpenFolder).toString();
}

void RememberedSettings::setOpenFolder(const QString& folder) {
    QSettings s(filePath(), QSettings::IniFormat);
    s.setValue(kOpenFolder, folder);
}

QString RememberedSettings::saveFolder() const {
    QSettings s(filePath(), QSettings::IniFormat);
    return s.value(kSaveFolder).toString();
}

void RememberedSettings::setSaveFolder(const QString& folder) {
    QSettings s(filePath(), QSettings::IniFormat);
    s.setValue(kSaveFolder, folder);
}

QStringList RememberedSettings::recentFiles() const {
    QSettings s(filePath(), QSettings::IniFormat);
    QStringList list = s.value(kRecent).toStringList();
    list.removeAll(QString());
    list.removeDuplicates();
    while (list.size() > kRecentFiles) list.removeLast();
    return list;
}

void RememberedSettings::addRecentFile(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList list = recentFiles();
    list.removeAll(absolute);
    list.prepend(absolute);
    writeRecent(list);
}

void RememberedSettings::removeRecentFile(const QString& path) {
    QStringList list = recentFiles();
    list.removeAll(path);
    writeRecent(list);
}

void RememberedSettings::clearRecentFiles() { writeRecent({}); }

void RememberedSettings::keepToolkitSettingsOut() {
    // The toolkit names its settings by organisation ("QtProject"); ours
    // are named by their file, so only the toolkit's are moved to a folder
    // that cannot exist (a path below a device), where they are read as
    // empty and never written.
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat})
        QSettings::setPath(format, QSettings::UserScope, QStringLiteral("/dev/null/no-settings"));
}

}  // namespace jollix
