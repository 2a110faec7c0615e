#pragma once
// Asking the desktop to open an address (a web page or a local file) in
// the user's default program, through `xdg-open`.
#include <QUrl>
#include <functional>

class QObject;

namespace jollix {

// Starts `xdg-open URL` and returns at once. onFailure runs later, on the
// window thread, when xdg-open is missing, cannot be started, crashes or
// exits with a failure (no browser: it exits with 3); it never runs when
// the desktop opened the address. xdg-open may wait for the browser it
// starts, so nothing here waits for it; context ends the watch early.
void openOnDesktop(const QUrl& url, QObject* context, std::function<void()> onFailure);

}  // namespace jollix
