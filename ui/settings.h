#pragma once
// What the program remembers between runs, all in one file,
// $XDG_CONFIG_HOME/jollix.conf (~/.config/jollix.conf): the folder of the
// last Open, the folder of the last Save, and the recent files. Window
// places and sizes, tools, sliders and the zoom are not kept: every start
// begins with the built-in ones.
#include <QString>
#include <QStringList>

namespace jollix {

class RememberedSettings {
public:
    static constexpr int kRecentFiles = 10;

    // The settings file (it need not exist yet).
    static QString filePath();

    QString openFolder() const;
    void setOpenFolder(const QString& folder);
    QString saveFolder() const;
    void setSaveFolder(const QString& folder);

    // Absolute paths, the most recent first, at most kRecentFiles, each once.
    QStringList recentFiles() const;
    void addRecentFile(const QString& path);
    void removeRecentFile(const QString& path);
    void clearRecentFiles();

    // Qt's own widgets (the file dialog's history, side bar and view mode)
    // would keep their state in a file of their own, QtProject.conf; after
    // this they keep nothing, so that the file above is the only one. Call
    // before the first dialog.
    static void keepToolkitSettingsOut();
};

}  // namespace jollix
