// The general error handling: whatever a handler lets escape is shown with
// its own text, and the program goes on with the next event.
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <stdexcept>

#include "core/error.h"
#include "ui/error_handling.h"

using namespace jollix;

namespace {

class Throwing : public QWidget {
public:
    int presses = 0;

protected:
    void mousePressEvent(QMouseEvent*) override {
        ++presses;
        if (presses == 1) throw JollixError(kRangeCheckError);
        if (presses == 2) throw std::runtime_error("Disk full");
    }
};

}  // namespace

class ErrorHandlingTest : public QObject {
    Q_OBJECT
    QStringList shown;

private slots:
    void init() {
        shown.clear();
        setErrorReporter([this](const QString& m) { shown << m; });
    }
    void cleanup() { setErrorReporter({}); }

    void guardedShowsTheMessageAndReportsFailure() {
        QVERIFY(guarded([] {}));
        QVERIFY(!guarded([] { throw JollixError(kDivisionByZero); }));
        QVERIFY(!guarded([] { throw 42; }));
        QCOMPARE(shown, (QStringList{"Floating point division by zero", "Unknown error"}));
    }

    void anEscapedErrorIsShownAndTheProgramGoesOn() {
        Throwing w;
        w.resize(50, 50);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::mousePress(&w, Qt::LeftButton);
        QTest::mouseRelease(&w, Qt::LeftButton);
        QTest::mousePress(&w, Qt::LeftButton);
        QTest::mouseRelease(&w, Qt::LeftButton);
        QTest::mousePress(&w, Qt::LeftButton);
        QCOMPARE(w.presses, 3);
        QCOMPARE(shown, (QStringList{"Range check error", "Disk full"}));
    }

    void anErrorFromATimerIsShown() {
        QTimer::singleShot(0, this, [] { throw JollixError(kInvalidFloatOp); });
        QTRY_COMPARE(shown, QStringList{QStringLiteral("Invalid floating point operation")});
    }

    void theMessageBoxCarriesTheText() {
        setErrorReporter({});
        QString text;
        QTimer::singleShot(20, this, [&] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                text = box->text();
                box->accept();
            }
        });
        reportError(QStringLiteral("Range check error"));
        QCOMPARE(text, QStringLiteral("Range check error"));
    }
};

int main(int argc, char** argv) {
    JollixApplication app(argc, argv);
    ErrorHandlingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "error_handling_test.moc"
