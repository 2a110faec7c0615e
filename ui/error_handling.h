#pragma once
// The application's general error handling. Every failure that a handler
// does not deal with itself - a range error of an effect, an unreadable
// file, a failed write - is shown in a message box with the failure's own
// text, and the program goes on with the next event.
//
// Handlers run their work through guarded(); JollixApplication::notify is the
// last line for anything that still escapes an event handler, so that no
// exception ever unwinds through the toolkit's own code.
#include <QApplication>
#include <QString>
#include <functional>
#include <utility>

namespace jollix {

// Where error messages go. The default shows a modal message box; the
// window tests put a recorder here so that nothing blocks.
using ErrorReporter = std::function<void(const QString& message)>;
void setErrorReporter(ErrorReporter reporter);  // an empty one restores the message box

// Show one error message the way the program shows every error.
void reportError(const QString& message);
// The message of the exception being handled; call only inside a catch block.
QString currentExceptionMessage();

// Run f; if it throws, show the error and return false.
template <class F>
bool guarded(F&& f) {
    try {
        std::forward<F>(f)();
        return true;
    } catch (...) {
        reportError(currentExceptionMessage());
        return false;
    }
}

class JollixApplication : public QApplication {
public:
    JollixApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace jollix
