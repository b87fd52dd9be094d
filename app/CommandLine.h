#pragma once
// The command line of the nolvo program:
//   nolvo                 the window, with the accessory (or the demo recordings)
//   nolvo --replay FILE   the window, replaying a stream recording made with key R
//   nolvo --help          the usage on standard output, exit status 0
//   nolvo --version       "nolvo <version>", exit status 0
// Anything else is an error: the reason and the usage on standard error, exit status 2.

#include <string>

namespace nolvo {

struct CommandLine {
    enum class Action { Run, Help, Version, Error };

    Action action = Action::Run;
    std::string replayFile; // "" for no replay
    std::string error;      // what was wrong, for Action::Error

    static constexpr const char* kUsage =
        "usage: nolvo [--replay FILE]\n"
        "       nolvo --help | --version\n"
        "  --replay FILE  replay a stream recording (.nolrec) instead of the accessory\n"
        "  --help         show this help and exit\n"
        "  --version      show the version and exit\n";

    static CommandLine parse(int argc, const char* const* argv);
    // "nolvo 0.1.0"
    static std::string versionText();
};

} // namespace nolvo
