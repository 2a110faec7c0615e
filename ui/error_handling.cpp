#include "ui/error_handling.h"

#include <QMessageBox>
#include <exception>

#include "core/error.h"
#include "ui/translations.h"

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

QString currentExceptionMessage() { return uiText(failureText()); }

JollixApplication::JollixApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool JollixApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        reportError(currentExceptionMessage());
        return true;
    }
}

}  // namespace jollix
