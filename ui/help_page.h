#pragma once
// The program's questions-and-answers page, a local HTML file that F1 opens
// in the browser, and the home page that "Online" opens.
#include <QString>
#include <QStringList>
#include <QUrl>

namespace jollix {

// Where the page is: installed beside the program (share/jollix/help under
// the installation prefix of the running program) or, for a program run
// from its build tree, in the source tree. Empty when neither exists.
QString localHelpPage();

// The candidates, most preferred first; programDir is the folder of the
// running program.
QStringList helpPageCandidates(const QString& programDir);

// The home page: the web address given when the program was built
// (JOLLIX_HOME_PAGE), or the local help page when none was given. Empty
// when neither exists.
QUrl homePage();

// The address as the about box shows it: a web address as it is, a local
// page by its path.
QString shownAddress(const QUrl& url);

}  // namespace jollix
