#pragma once
// Hands a data log to the desktop's mail client without holding up the window. A mail client may
// stay in the foreground until its compose window closes, so the hand-off
// (engine::Application::sendEmail: xdg-email with the file's path as an attachment) runs on a
// thread of its own; its answer comes back to the render thread in a later frame.
//
// The file handed on is the one the file manager opened and checked (see
// data_log_files::openForMail): the thread gives it a name of its own in a private directory
// (data_log_files::stageForMail below outgoingDirectory()) and attaches that, so nothing put in
// the data directory after the check can be sent instead.
// Render thread only.

#include <functional>
#include <string>

namespace nolvo::data_log_mail {

inline constexpr const char* kSubject = "Nolvo Data Log";

// Starts the hand-off of `path` (empty recipient, subject kSubject, empty body, the file
// attached). `done(sent)` runs on the render thread once the mail client has answered.
void handOff(const std::string& path, std::function<void(bool sent)> done);
// Starts the hand-off of the open file `fd` (taken over and closed by the hand-off) under the
// attachment name `name`.
void handOffFile(int fd, const std::string& name, std::function<void(bool sent)> done);
// Where attachments are staged: $XDG_CACHE_HOME/nolvo/outgoing (default ~/.cache/nolvo/outgoing).
std::string outgoingDirectory();
// Hand-offs whose answer has not been delivered yet.
int pendingCount();

} // namespace nolvo::data_log_mail
