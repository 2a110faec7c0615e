#pragma once
// The program's questions-and-answers page, a local HTML file that F1 opens
// in the browser.
#include <QString>
#include <QStringList>

namespace jollix {

// Where the page is: installed beside the program (share/jollix/help under
// the installation prefix of the running program) or, for a program run
// from its build tree, in the source tree. Empty when neither exists.
QString localHelpPage();

// The candidates, most preferred first; programDir is the folder of the
// running program.
QStringList helpPageCandidates(const QString& programDir);

}  // namespace jollix
