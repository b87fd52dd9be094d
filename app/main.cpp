// nolvo: the Nolvo Desktop program. One window; closing it saves the working configuration and
// stops every thread before the process exits.
#include <cstdio>

#include "accessory/RecordingReader.h"
#include "app/AppDelegate.h"
#include "app/CommandLine.h"

int main(int argc, char** argv)
{
    using nolvo::CommandLine;
    const CommandLine line = CommandLine::parse(argc, argv);
    switch (line.action) {
    case CommandLine::Action::Help:
        std::fputs(CommandLine::kUsage, stdout);
        return 0;
    case CommandLine::Action::Version:
        std::printf("%s\n", CommandLine::versionText().c_str());
        return 0;
    case CommandLine::Action::Error:
        std::fprintf(stderr, "nolvo: %s\n%s", line.error.c_str(), CommandLine::kUsage);
        return 2;
    case CommandLine::Action::Run:
        break;
    }
    std::shared_ptr<const nolvo::Recording> replay;
    if (!line.replayFile.empty()) {
        // A recording that cannot be replayed is refused before any window opens.
        std::string error;
        replay = nolvo::Recording::open(line.replayFile, error);
        if (!replay) {
            std::fprintf(stderr, "nolvo: %s\n", error.c_str());
            return 1;
        }
        if (replay->cut()) {
            std::fprintf(stderr, "nolvo: %s\n", replay->cutNotice().c_str());
        }
    }
    nolvo::AppDelegate app;
    app.setReplay(replay);
    const int status = app.run();
    app.shutdown();
    return status;
}
