#include "ui/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <string>

namespace jollix {

void installTranslations(QCoreApplication& app, const QLocale& locale) {
    // The program's own texts are built in under :/i18n.
    auto* own = new QTranslator(&app);
    if (own->load(locale, QStringLiteral("jollix"), QStringLiteral("_"), QStringLiteral(":/i18n")))
        QCoreApplication::installTranslator(own);
    else
        delete own;
    // The toolkit's dialogs (file, print, message box buttons).
    auto* toolkit = new QTranslator(&app);
    if (toolkit->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                      QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(toolkit);
    else
        delete toolkit;
}

QString uiText(const char* english) { return QCoreApplication::translate("jollix", english); }

QString uiText(const std::string& english) { return uiText(english.c_str()); }

const QStringList& translatedLanguages() {
    static const QStringList languages{QStringLiteral("de"), QStringLiteral("fr"),    QStringLiteral("es"),
                                       QStringLiteral("it"), QStringLiteral("pt_BR"), QStringLiteral("pl"),
                                       QStringLiteral("ru"), QStringLiteral("zh_CN"), QStringLiteral("ja")};
    return languages;
}

}  // namespace jollix
