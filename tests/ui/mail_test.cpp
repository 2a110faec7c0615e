// The mail hand-over, with a stand-in xdg-email on PATH that records the
// arguments it was given.
#include <QDir>
#include <QFile>
#include <QImage>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/error.h"
#include "core/picture.h"
#include "ui/mail.h"

using namespace jollix;

class MailTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QByteArray oldPath_;
    QString record_;

    // The arguments of the last run of the stand-in, NUL-separated in its
    // record file. Empty when it did not run.
    QStringList recordedArguments() const {
        QFile f(record_);
        if (!f.open(QIODevice::ReadOnly)) return {};
        QStringList args;
        for (const QByteArray& a : f.readAll().split('\0')) args << QString::fromUtf8(a);
        if (!args.isEmpty() && args.back().isEmpty()) args.pop_back();
        return args;
    }

    void writeStandIn(const QString& folder) {
        QDir().mkpath(folder);
        QFile script(folder + "/xdg-email");
        QVERIFY(script.open(QIODevice::WriteOnly));
        script.write("#!/bin/sh\n"
                     ": > \"$MAIL_RECORD\"\n"
                     "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$MAIL_RECORD\"; done\n"
                     "exit \"${MAIL_EXIT:-0}\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        writeStandIn(dir_.filePath("bin"));
        record_ = dir_.filePath("record");
        qputenv("MAIL_RECORD", record_.toUtf8());
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", dir_.filePath("bin").toUtf8() + ":" + oldPath_);
        qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
    }
    void init() {
        QFile::remove(record_);
        qunsetenv("MAIL_EXIT");
    }
    void cleanupTestCase() { qputenv("PATH", oldPath_); }

    void theMessageIsHandedOverWithoutARecipient() {
        const Picture picture(40, 30, 0x2040C0);
        mailWork(picture);

        const QString path = mailWorkPath();
        QVERIFY(path.startsWith(dir_.filePath("cache") + "/"));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("mywork.jpg"));

        const QStringList args = recordedArguments();
        const QStringList expected{
            "--utf8",
            "--subject", "Tell you a great software--Jollix.",
            "--body",
            "Hello!\r\n\r\nIt is a good software. The download link is folows:\r\n"
            "https://www.jollix.example/download.html\r\n\r\n"
            "Please try it. It would give you happiness!\r\nGood luck!",
            "--attach", path,
        };
        QCOMPARE(args, expected);
        // The body's bytes, CR LF included, reach the mail program as written.
        QFile f(record_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().contains("folows:\r\nhttps://www.jollix.example/download.html\r\n\r\nPlease"));

        // The attachment holds the picture.
        QImage written(path);
        QCOMPARE(written.size(), QSize(40, 30));
        const QColor c = written.pixelColor(20, 15);
        QVERIFY(qAbs(c.red() - 0xC0) <= 3 && qAbs(c.green() - 0x40) <= 3 && qAbs(c.blue() - 0x20) <= 3);
    }

    void anEarlierFileIsReplaced() {
        mailWork(Picture(10, 10, 0));
        mailWork(Picture(17, 9, 0xFFFFFF));
        QCOMPARE(QImage(mailWorkPath()).size(), QSize(17, 9));
    }

    void attachmentsEndAtTheFirstMissingNumber() {
        const MailRequest request{{"attachment0", "/tmp/a.jpg"}, {"attachment2", "/tmp/c.jpg"}};
        QCOMPARE(SendMail(request), 0);
        QCOMPARE(recordedArguments(), (QStringList{"--utf8", "--attach", "/tmp/a.jpg"}));
    }

    void theRecipientComesLastWhenGiven() {
        const MailRequest request{{"to", "friend@jollix.example"},
                                  {"subject", "Hi"},
                                  {"attachment0", "/tmp/a.jpg"},
                                  {"attachment1", "/tmp/b.jpg"}};
        QCOMPARE(SendMail(request), 0);
        QCOMPARE(recordedArguments(), (QStringList{"--utf8", "--subject", "Hi", "--attach", "/tmp/a.jpg",
                                                   "--attach", "/tmp/b.jpg", "friend@jollix.example"}));
    }

    void aRecipientThatLooksLikeAnOptionIsRefused() {
        QCOMPARE(SendMail(MailRequest{{"to", "--attach=/etc/passwd"}}), 1);
        QVERIFY(!QFile::exists(record_));
    }

    void theMailProgramsExitCodeIsReturned() {
        qputenv("MAIL_EXIT", "3");
        QCOMPARE(SendMail(MailRequest{{"subject", "x"}}), 3);
        // The mail command itself reports nothing and does not fail.
        mailWork(Picture(4, 4, 0));
        QVERIFY(QFile::exists(mailWorkPath()));
    }

    void withoutXdgEmailSendMailReturnsOne() {
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        qputenv("PATH", empty.path().toUtf8());
        QVERIFY(QStandardPaths::findExecutable("xdg-email").isEmpty());
        QCOMPARE(SendMail(MailRequest{{"subject", "x"}}), 1);
        // The picture is still written by the mail command.
        QFile::remove(mailWorkPath());
        mailWork(Picture(5, 6, 0));
        QVERIFY(QFile::exists(mailWorkPath()));
        qputenv("PATH", path);
        QVERIFY(!QFile::exists(record_));
    }

    void aFailedSaveStartsNoMail() {
        // The cache folder cannot be made: a file stands where it would go.
        const QByteArray cache = qgetenv("XDG_CACHE_HOME");
        const QString blocker = dir_.filePath("not-a-folder");
        QFile f(blocker);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        qputenv("XDG_CACHE_HOME", blocker.toUtf8());
        bool threw = false;
        try {
            mailWork(Picture(8, 8, 0));
        } catch (const JollixError& e) {
            threw = true;
            QVERIFY(std::string(e.what()).size() > 0);
        }
        qputenv("XDG_CACHE_HOME", cache);
        QVERIFY(threw);
        QVERIFY(!QFile::exists(record_));
    }
};

QTEST_MAIN(MailTest)
#include "mail_test.moc"
