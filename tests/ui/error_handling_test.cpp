// The general error handling: whatever a handler lets escape is shown with
// its own text, and the program goes on with the next event.
#include <QMessageBox>
#include <QTimer>
#include <QWidget>
#include <QtTest>
#include <functional>
#include <stdexcept>
#include <system_error>
#include <vector>

#include "core/error.h"
#include "core/parallel.h"
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
        QCOMPARE(shown, (QStringList{"Floating point division by zero",
                                     "This operation stopped because of an unexpected error. Nothing was changed."}));
    }

    // What the standard library throws is told in plain words, never by its
    // technical name; a failed allocation on a worker thread reaches the
    // same box through the thread-sharing helper.
    void standardFailuresAreToldInPlainWords() {
        const std::vector<std::pair<std::function<void()>, QString>> cases = {
            {[] { throw std::bad_alloc(); }, kNotEnoughMemory},
            {[] {
                 std::vector<int> v;
                 v.reserve(v.max_size() + 1);
             },
             kNotEnoughMemory},
            {[] {
                 parallel::forItems(64, 4, [](size_t i) {
                     if (i == 37) throw std::bad_alloc();
                 });
             },
             kNotEnoughMemory},
            {[] { throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again)); },
             "The system refused what this operation needs (Resource temporarily unavailable). Nothing was changed."},
            {[] { (void)std::vector<int>(3).at(7); }, "This operation stopped because of an unexpected error ("},
        };
        for (const auto& [fail, text] : cases) {
            shown.clear();
            QVERIFY(!guarded(fail));
            QCOMPARE(shown.size(), 1);
            QVERIFY2(shown[0].startsWith(text), qPrintable(shown[0]));
            QVERIFY2(!shown[0].contains("std::") && !shown[0].contains("bad_alloc"), qPrintable(shown[0]));
        }
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
        QCOMPARE(
            shown,
            (QStringList{"Range check error",
                         "This operation stopped because of an unexpected error (Disk full). Nothing was changed."}));
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
