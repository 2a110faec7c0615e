#include "ui/error_handling.h"

#include <QMessageBox>
#include <exception>

namespace jollix {

namespace {
ErrorReporter& reporterSlot() {
    static ErrorReporter reporter;
    return reporter;
}
}  // namespace

void setErrorReporter(ErrorReporter reporter) { reporterSlot() = std::move(reporter); }

void reportError(const QString& message) {
    if (const ErrorReporter& r = reporterSlot()) {
        r(message);
        return;
    }
    QMessageBox box(QMessageBox::Critical, QStringLiteral("Jollix"), message, QMessageBox::Ok,
                    QApplication::activeWindow());
    box.exec();
}

QString currentExceptionMessage() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        return QStringLiteral("Out of memory");
    } catch (const std::exception& e) {
        const QString text = QString::fromUtf8(e.what());
        return text.isEmpty() ? QStringLiteral("Unknown error") : text;
    } catch (...) {
        return QStringLiteral("Unknown error");
    }
}

JollixApplication::JollixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool JollixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportError(currentExceptionMessage());
        return true;
    }
}

} // namespace jollix
