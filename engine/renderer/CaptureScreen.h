#pragma once
// Screenshots of the window.

#include <functional>
#include <string>

namespace engine::utils {

// After the next frame is drawn (and before it is presented) reads the back buffer and writes
// it as a PNG. A relative filename goes into the writable directory. The callback runs on the
// render thread with success and the full path written (or attempted).
void captureScreen(const std::function<void(bool, const std::string&)>& afterCaptured, const std::string& filename);

// Reads the current back buffer as RGBA rows from the top of the window down. Empty without a
// GL view.
bool readBackBuffer(std::string* rgba, int* width, int* height);

} // namespace engine::utils
