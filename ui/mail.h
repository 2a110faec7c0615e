#pragma once
// Mailing the work: the picture saved as mywork.jpg and handed, attached to
// a ready-made message, to the user's mail program, whose compose window
// opens for the user to add a recipient and send it.
#include <QString>
#include <map>
#include <string>

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
// the program itself).
QStringList mailArguments(const MailRequest& request);

// Hands the request to the user's mail program through `xdg-email` and waits
// for it to return. Returns its exit code (0 when the message was handed
// over); 1 when `xdg-email` is not installed or cannot be started, or when
// the recipient could be mistaken for an option. Reports nothing itself.
int SendMail(const MailRequest& request);

// The texts of the mail command.
inline constexpr const char* kMailSubject = "Tell you a great software--Jollix.";
inline constexpr const char* kDownloadAddress = "https://www.jollix.example/download.html";
std::string mailBody();

// Where the mail command writes the picture: mywork.jpg in the user's cache
// folder.
QString mailWorkPath();

// The mail command: writes the picture as JPEG to mailWorkPath() (creating
// the folder, replacing an earlier file), then hands the message with that
// attachment to the mail program. A failed save throws JollixError and no
// mail is started; the mail program's result is not reported.
void mailWork(const Picture& picture);

} // namespace jollix
