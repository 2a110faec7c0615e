// The program in other languages: every translation file complete and
// faithful to its source's placeholders and shortcut letters, every text
// the windows take from a table listed for the translators, and the windows
// really shown in German when German is the user's language.
#include <QFile>
#include <QMenuBar>
#include <QRadioButton>
#include <QTabWidget>
#include <QTranslator>
#include <QXmlStreamReader>
#include <QtTest>

#include "core/palette.h"
#include "editor/face_presets.h"
#include "editor/tools.h"
#include "ui/table_texts.h"
#include "ui/translations.h"
#include "window_test_util.h"

using namespace jollix;

namespace {

QString tsPath(const QString& language) {
    return QStringLiteral(JOLLIX_SOURCE_DIR "/translations/jollix_%1.ts").arg(language);
}

struct Message {
    QString source, translation;
    bool finished = true;
};

QList<Message> readTs(const QString& path) {
    QList<Message> messages;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return messages;
    QXmlStreamReader xml(&f);
    Message m;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) continue;
        if (xml.name() == QLatin1String("message")) m = Message{};
        if (xml.name() == QLatin1String("source")) m.source = xml.readElementText();
        if (xml.name() == QLatin1String("translation")) {
            const QString type = xml.attributes().value(QLatin1String("type")).toString();
            m.finished = type.isEmpty();
            m.translation = xml.readElementText();
            messages << m;
        }
    }
    return messages;
}

// The placeholders %1, %2 ... of a text, sorted.
QStringList placeholders(const QString& text) {
    QStringList found;
    static const QRegularExpression re(QStringLiteral("%\\d"));
    for (auto it = re.globalMatch(text); it.hasNext();) found << it.next().captured();
    found.sort();
    return found;
}

bool hasMnemonic(const QString& text) {
    for (int i = 0; i + 1 < text.size(); ++i)
        if (text[i] == QLatin1Char('&') && text[i + 1] != QLatin1Char('&')) return true;
    return false;
}

}  // namespace

class TranslationsTest : public QObject {
    Q_OBJECT
private slots:
    void everyLanguageIsCompleteAndFaithful() {
        const QList<Message> english = readTs(tsPath(QStringLiteral("de")));
        QVERIFY(english.size() > 50);
        for (const QString& language : translatedLanguages()) {
            const QList<Message> messages = readTs(tsPath(language));
            QCOMPARE(messages.size(), english.size());
            for (const Message& m : messages) {
                const QString where = language + QStringLiteral(": ") + m.source;
                QVERIFY2(m.finished && !m.translation.trimmed().isEmpty(), qPrintable(where));
                QVERIFY2(placeholders(m.translation) == placeholders(m.source), qPrintable(where));
                QVERIFY2(hasMnemonic(m.translation) == hasMnemonic(m.source), qPrintable(where));
            }
        }
    }

    void everyTableTextIsListedForTheTranslators() {
        QSet<QString> listed;
        for (const char* text : tableTexts()) listed << QString::fromUtf8(text);
        QStringList shown;
        for (const MenuRow& m : menuTable()) shown << QString::fromUtf8(m.title);
        for (const CommandRow& c : commandTable()) {
            if (c.caption) shown << QString::fromUtf8(c.caption);
            if (c.hint) shown << QString::fromUtf8(c.hint);
        }
        for (const ToolRow& t : toolTable()) shown << QString::fromUtf8(t.hint);
        for (const FacePreset& f : facePresets()) shown << QString::fromUtf8(f.caption);
        shown << QString::fromUtf8(kHintClickOrKeepDown) << QString::fromUtf8(kHintKeepDownAndMove)
              << QString::fromUtf8(kHintSelectingZone);
        for (const QString& text : shown) QVERIFY2(listed.contains(text), qPrintable(text));
    }

    void everyListedTextIsTranslatedInTheBuiltInFiles() {
        for (const QString& language : translatedLanguages()) {
            QTranslator translator;
            QVERIFY2(translator.load(QStringLiteral(":/i18n/jollix_%1").arg(language)), qPrintable(language));
            for (const char* text : tableTexts())
                QVERIFY2(!translator.translate("jollix", text).isEmpty(), qPrintable(language + ": " + text));
        }
    }

    void theWindowsSpeakGermanToAGermanUser() {
        installTranslations(*QCoreApplication::instance(), QLocale(QLocale::German, QLocale::Germany));
        testing::Program p;
        QStringList menus;
        for (QAction* a : p.form->menuBar()->actions()) menus << a->text();
        QVERIFY2(menus.size() >= 2 && menus[0] == QStringLiteral("&Datei") && menus[1] == QStringLiteral("&Bearbeiten"),
                 qPrintable(menus.join(QLatin1Char(','))));
        QCOMPARE(p.tools()->tabs->tabText(0), QStringLiteral("Verzerren"));
        QCOMPARE(p.tools()->sphericalButton->text(), QStringLiteral("Kugelförmig"));
        QCOMPARE(p.tools()->windowTitle(), QStringLiteral("Werkzeuge"));
        // The toolkit's own dialogs are German too.
        QCOMPARE(QCoreApplication::translate("QPlatformTheme", "Cancel"), QStringLiteral("Abbrechen"));
    }
};

QTEST_MAIN(TranslationsTest)
#include "translations_test.moc"
