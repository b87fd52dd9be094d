#pragma once
// Where the model and the accessory code write on-screen log lines. The display side implements
// it (the screen log); the model never depends on the display.

#include <string>

namespace nolvo {

class LogSink {
public:
    virtual ~LogSink() = default;
    // Called from any thread; the implementation must be thread-safe.
    virtual void logLine(int level, const std::string& text) = 0;
};

} // namespace nolvo
