#pragma once
// Mailing the work: the picture saved as mywork.jpg and handed, attached to
// a ready-made message, to the user's mail program, whose compose window
// opens for the user to add a recipient and send it.
#include <QString>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "core/picture.h"

namespace jollix {

// A mail request as name=value pairs:
//   "to"            one recipient (optional)
//   "subject"       the subject line (optional)
//   "body"          the message text (optional; may hold line breaks)
//   "attachment0", "attachment1", ...  full paths of files to attach; the
//                   first missing number ends the list.
using MailRequest = std::map<std::string, std::string>;

// The command line of the hand-over to `xdg-email` for a request (without
// the program itself). xdg-email turns every line feed of the body into
// CR LF itself, so the body's CR LF line breaks are handed over as plain
// line feeds.
QStringList mailArguments(const MailRequest& request);

// Called on the window thread when a hand-over failed, with the reason.
using MailFailure = std::function<void(const QString& reason)>;

// Hands the request to the user's mail program through `xdg-email` and
// returns at once: xdg-email usually waits until the mail program is done
// with the message, and the windows must go on working meanwhile. Returns
// false when it could not be started (not installed, a recipient that could
// be mistaken for an option), after calling failed; when it is started and
// later exits with a failure, failed is called then.
bool sendMail(const MailRequest& request, const MailFailure& failed = {});

// The texts of the mail command.
inline constexpr const char* kMailSubject = "Tell you a great software--Jollix.";
inline constexpr const char* kDownloadAddress = "https://www.jollix.example/download.html";
std::string mailBody();

// Where the mail command writes the picture: mywork.jpg in the user's cache
// folder.
QString mailWorkPath();

// The message shown when the hand-over failed: the reason, and where the
// picture was saved so that the user can attach it by hand.
QString mailFailedMessage(const QString& reason, const QString& picturePath);

// The mail command: writes the picture as JPEG to mailWorkPath() (creating
// the folder, replacing an earlier file), then hands the message with that
// attachment to the mail program without waiting for it. Given the frames
// of the edit, their animation is written beside it as mywork.gif and
// attached as well. A failed save throws JollixError and no mail is
// started; a failed hand-over is shown through the general error handling
// with mailFailedMessage().
void mailWork(const Picture& picture, const std::vector<Picture>& animation = {});

}  // namespace jollix
