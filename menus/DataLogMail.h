#pragma once
// Hands a data log to the desktop's mail client without holding up the window. A mail client may
// stay in the foreground until its compose window closes, so the hand-off
// (engine::Application::sendEmail: xdg-email with the file's path as an attachment, never read
// here) runs on a thread of its own; its answer comes back to the render thread in a later frame.
// Render thread only.

#include <functional>
#include <string>

namespace nolvo::data_log_mail {

inline constexpr const char* kSubject = "Nolvo Data Log";

// Starts the hand-off of `path` (empty recipient, subject kSubject, empty body, the file
// attached). `done(sent)` runs on the render thread once the mail client has answered.
void handOff(const std::string& path, std::function<void(bool sent)> done);
// Hand-offs whose answer has not been delivered yet.
int pendingCount();

} // namespace nolvo::data_log_mail
