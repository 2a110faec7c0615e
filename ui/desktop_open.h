#pragma once
// Asking the desktop to open an address (a web page or a local file) in
// the user's default program, through `xdg-open`.
#include <QUrl>
#include <chrono>
#include <functional>

class QObject;

namespace jollix {

// Starts `xdg-open URL` and returns at once. onFailure runs later, on the
// window thread, when xdg-open is missing, cannot be started, crashes or
// exits with a failure (no browser: it exits with 3) within answerWithin;
// it never runs when the desktop opened the address. xdg-open may run the
// browser itself and wait for it, so an opener still running after
// answerWithin counts as having shown the page, whatever its exit later;
// context ends the watch early.
void openOnDesktop(const QUrl& url, QObject* context, std::function<void()> onFailure,
                   std::chrono::milliseconds answerWithin = std::chrono::seconds(10));

}  // namespace jollix
