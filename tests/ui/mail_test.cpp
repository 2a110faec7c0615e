// The mail hand-over, with a stand-in xdg-email on PATH that records the
// arguments it was given, and can be told to fail or to take its time.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QImageReader>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

#include "core/error.h"
#include "core/picture.h"
#include "ui/error_handling.h"
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

    // How many stand-ins have ended since the count was last removed.
    int endedStandIns() const {
        QFile f(record_ + ".ended");
        return f.open(QIODevice::ReadOnly) ? int(f.readAll().count('\n')) : 0;
    }

    void writeStandIn(const QString& folder) {
        QDir().mkpath(folder);
        QFile script(folder + "/xdg-email");
        QVERIFY(script.open(QIODevice::WriteOnly));
        // The record appears whole (written aside, then renamed); "done" is
        // touched when the stand-in ends.
        script.write(
            "#!/bin/sh\n"
            ": > \"$MAIL_RECORD.part\"\n"
            "for a in \"$@\"; do printf '%s\\0' \"$a\" >> \"$MAIL_RECORD.part\"; done\n"
            "mv \"$MAIL_RECORD.part\" \"$MAIL_RECORD\"\n"
            "sleep \"${MAIL_SLEEP:-0}\"\n"
            "echo >> \"$MAIL_RECORD.ended\"\n"
            ": > \"$MAIL_RECORD.done\"\n"
            "exit \"${MAIL_EXIT:-0}\"\n");
        script.close();
        script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    QStringList errors_;

private slots:
    void initTestCase() {
        QVERIFY(dir_.isValid());
        writeStandIn(dir_.filePath("bin"));
        record_ = dir_.filePath("record");
        qputenv("MAIL_RECORD", record_.toUtf8());
        oldPath_ = qgetenv("PATH");
        qputenv("PATH", dir_.filePath("bin").toUtf8() + ":" + oldPath_);
        qputenv("XDG_CACHE_HOME", dir_.filePath("cache").toUtf8());
        setErrorReporter([this](const QString& m) { errors_ << m; });
    }
    void init() {
        // Every earlier stand-in has ended before the next test starts.
        QTRY_VERIFY_WITH_TIMEOUT(!QFile::exists(record_) || QFile::exists(record_ + ".done"), 10000);
        QFile::remove(record_);
        QFile::remove(record_ + ".done");
        qunsetenv("MAIL_EXIT");
        qunsetenv("MAIL_SLEEP");
        errors_.clear();
    }
    void cleanupTestCase() {
        qputenv("PATH", oldPath_);
        setErrorReporter({});
    }

    void theMessageIsHandedOverWithoutARecipient() {
        const Picture picture(40, 30, 0x2040C0);
        mailWork(picture);

        const QString path = mailWorkPath();
        QVERIFY(path.startsWith(dir_.filePath("cache") + "/"));
        QCOMPARE(QFileInfo(path).fileName(), QStringLiteral("mywork.jpg"));

        QTRY_VERIFY(QFile::exists(record_));
        const QStringList args = recordedArguments();
        const QStringList expected{
            "--utf8",
            "--subject",
            "Tell you a great software--Jollix.",
            "--body",
            "Hello!\n\nIt is a good software. The download link is folows:\n"
            "https://www.jollix.example/download.html\n\n"
            "Please try it. It would give you happiness!\nGood luck!",
            "--attach",
            path,
        };
        QCOMPARE(args, expected);
        // xdg-email makes CR LF of each line feed: a CR of our own would come out doubled.
        QFile f(record_);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray bytes = f.readAll();
        QVERIFY(bytes.contains("folows:\nhttps://www.jollix.example/download.html\n\nPlease"));
        QVERIFY(!bytes.contains('\r'));
        QVERIFY(errors_.isEmpty());

        // The attachment holds the picture.
        QImage written(path);
        QCOMPARE(written.size(), QSize(40, 30));
        const QColor c = written.pixelColor(20, 15);
        QVERIFY(qAbs(c.red() - 0xC0) <= 3 && qAbs(c.green() - 0x40) <= 3 && qAbs(c.blue() - 0x20) <= 3);
    }

    void theAnimationGoesAlongWhenGiven() {
        // The same message, with the edit's animation beside mywork.jpg as a
        // second attachment.
        const Picture before(40, 30, 0x2040C0);
        Picture after = before;
        for (int x = 10; x < 20; ++x) after.setPixel(x, 12, 0xFFFFFF);
        mailWork(after, {before, after});

        const QString gif = QFileInfo(mailWorkPath()).absolutePath() + "/mywork.gif";
        QTRY_VERIFY(QFile::exists(record_));
        const QStringList args = recordedArguments();
        QCOMPARE(args.mid(0, 5), (QStringList{"--utf8", "--subject", kMailSubject, "--body",
                                              QString::fromStdString(mailBody()).remove(QLatin1Char('\r'))}));
        QCOMPARE(args.mid(5), (QStringList{"--attach", mailWorkPath(), "--attach", gif}));
        QImageReader reader(gif);
        QCOMPARE(reader.format(), QByteArray("gif"));
        QCOMPARE(reader.imageCount(), 2);
        QVERIFY(errors_.isEmpty());
    }

    void theHandOverDoesNotWaitForTheMailProgram() {
        qputenv("MAIL_SLEEP", "5");
        QElapsedTimer clock;
        clock.start();
        mailWork(Picture(12, 8, 0));
        QVERIFY2(clock.elapsed() < 1000, qPrintable(QString::number(clock.elapsed())));
        // The event loop runs (timers fire) while the mail program still has the message.
        bool ticked = false;
        QTimer::singleShot(50, [&] { ticked = true; });
        QTRY_VERIFY(ticked && QFile::exists(record_));
        QVERIFY(!QFile::exists(record_ + ".done"));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(record_ + ".done"), 10000);
        QTest::qWait(100);
        QVERIFY(errors_.isEmpty());
    }

    void aFailedHandOverNamesWhereThePictureIs_data() {
        QTest::addColumn<bool>("installed");
        QTest::newRow("xdg-email is missing") << false;
        QTest::newRow("xdg-email reports failure") << true;
    }
    void aFailedHandOverNamesWhereThePictureIs() {
        QFETCH(bool, installed);
        const QByteArray path = qgetenv("PATH");
        QTemporaryDir empty;
        if (installed)
            qputenv("MAIL_EXIT", "3");
        else
            qputenv("PATH", empty.path().toUtf8());
        QFile::remove(mailWorkPath());
        mailWork(Picture(5, 6, 0));
        qputenv("PATH", path);
        QTRY_COMPARE(errors_.size(), 1);
        QVERIFY(errors_[0].contains(mailWorkPath()));
        QVERIFY(errors_[0].contains(QStringLiteral("xdg-email")));
        // The picture is there to be attached by hand.
        QCOMPARE(QImage(mailWorkPath()).size(), QSize(5, 6));
        QTest::qWait(100);
        QCOMPARE(errors_.size(), 1);
    }

    void anEarlierFileIsReplaced() {
        QFile::remove(record_ + ".ended");
        mailWork(Picture(10, 10, 0));
        mailWork(Picture(17, 9, 0xFFFFFF));
        QCOMPARE(QImage(mailWorkPath()).size(), QSize(17, 9));
        // Both stand-ins end here, so that neither writes its record into a later test.
        QTRY_VERIFY_WITH_TIMEOUT(endedStandIns() == 2, 10000);
    }

    void attachmentsEndAtTheFirstMissingNumber() {
        const MailRequest request{{"attachment0", "/tmp/a.jpg"}, {"attachment2", "/tmp/c.jpg"}};
        QVERIFY(sendMail(request));
        QTRY_COMPARE(recordedArguments(), (QStringList{"--utf8", "--attach", "/tmp/a.jpg"}));
    }

    void theRecipientComesLastWhenGiven() {
        const MailRequest request{{"to", "friend@jollix.example"},
                                  {"subject", "Hi"},
                                  {"attachment0", "/tmp/a.jpg"},
                                  {"attachment1", "/tmp/b.jpg"}};
        QVERIFY(sendMail(request));
        QTRY_COMPARE(recordedArguments(), (QStringList{"--utf8", "--subject", "Hi", "--attach", "/tmp/a.jpg",
                                                       "--attach", "/tmp/b.jpg", "friend@jollix.example"}));
    }

    void aRecipientThatLooksLikeAnOptionIsRefused() {
        QStringList reasons;
        QVERIFY(!sendMail(MailRequest{{"to", "--attach=/etc/passwd"}}, [&](const QString& r) { reasons << r; }));
        QCOMPARE(reasons.size(), 1);
        QTest::qWait(100);
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
