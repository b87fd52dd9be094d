#include "app/CommandLine.h"

namespace nolvo {

CommandLine CommandLine::parse(int argc, const char* const* argv)
{
    CommandLine line;
    auto fail = [&line](std::string why) {
        line.action = Action::Error;
        line.error = std::move(why);
        return line;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i] != nullptr ? argv[i] : "";
        if (arg == "--help" || arg == "-h") {
            line.action = Action::Help;
            return line;
        }
        if (arg == "--version") {
            line.action = Action::Version;
            return line;
        }
        if (arg == "--replay") {
            if (i + 1 >= argc || argv[i + 1] == nullptr || argv[i + 1][0] == '\0') {
                return fail("--replay needs a recording file");
            }
            if (!line.replayFile.empty()) {
                return fail("only one --replay at a time");
            }
            line.replayFile = argv[++i];
            continue;
        }
        return fail(arg.rfind("-", 0) == 0 ? "unknown option " + arg : "unexpected argument " + arg);
    }
    return line;
}

std::string CommandLine::versionText()
{
    return std::string("nolvo ") + NOLVO_VERSION;
}

} // namespace nolvo
