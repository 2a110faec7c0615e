#pragma once
// The program in the user's language: the program's own texts from the
// translations built into it (translations/jollix_LANG.ts), the toolkit's
// dialogs from the toolkit's translations. English is the source and the
// default: a language without a translation shows the English texts.
#include <QLocale>
#include <QString>
#include <QStringList>
#include <string>

class QCoreApplication;

namespace jollix {

// Installs the translators for locale (the user's by default) on app.
void installTranslations(QCoreApplication& app, const QLocale& locale = QLocale());

// A text that comes from a table (commands, menus, tools, messages of the
// layers below the windows), in the user's language. Every such text is
// listed for the translators in ui/table_texts.cpp.
QString uiText(const char* english);
QString uiText(const std::string& english);

// The languages the program is translated into, as locale names ("de", "pt_BR").
const QStringList& translatedLanguages();

}  // namespace jollix
