// nolvo-fake-accessory (run as tools/fake-accessory): runs a command with a simulated Nolvo
// accessory plugged in. The accessory lives on a USB bus emulated with umockdev; the command
// (nolvo, nolvo-log, or anything else that uses libusb) runs as a child with umockdev's preload
// library, so it finds and drives the accessory through libusb as it would the real one. The
// simulator answers identification, settings, start and stop, and streams the model's frames.
//
//   fake-accessory MODEL [--unplug-after SECONDS] [--no-answer] -- COMMAND [ARGUMENT...]
//
// Exits with the command's status (128 + signal when a signal ended it); 2 for a bad command line,
// 1 when the command cannot be started. SIGINT and SIGTERM are passed on to the command.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "accessory/sim/UmockdevAccessory.h"

extern char** environ;

namespace {

using nolvo::sim::SimulatedModel;
using nolvo::sim::UmockdevAccessory;

constexpr const char* kUsage =
    "usage: fake-accessory MODEL [--unplug-after SECONDS] [--no-answer] -- COMMAND [ARGUMENT...]\n"
    "  MODEL                   nolvo, nolvo-pro or nolvo-5x (or 0, 1, 2 as nolvo-log's --hardware)\n"
    "  --unplug-after SECONDS  pull the accessory out after SECONDS (fractions allowed)\n"
    "  --no-answer             the accessory takes commands but never answers\n"
    "Runs COMMAND with the simulated accessory plugged in through an emulated USB bus.\n";

struct Options {
    SimulatedModel model = SimulatedModel::kNolvo25;
    const char* modelName = "";
    std::optional<double> unplugAfter;
    bool answers = true;
    std::vector<char*> command; // null-terminated
};

std::optional<SimulatedModel> modelNamed(const std::string& name)
{
    if (name == "nolvo" || name == "0") return SimulatedModel::kNolvo;
    if (name == "nolvo-pro" || name == "1") return SimulatedModel::kNolvo2;
    if (name == "nolvo-5x" || name == "2") return SimulatedModel::kNolvo25;
    return std::nullopt;
}

// False (after saying why) for a command line that cannot be followed.
bool parse(int argc, char** argv, Options& options)
{
    int i = 1;
    if (i >= argc) {
        std::fputs("fake-accessory: which model?\n", stderr);
        return false;
    }
    const std::optional<SimulatedModel> model = modelNamed(argv[i]);
    if (!model) {
        std::fprintf(stderr, "fake-accessory: unknown model \"%s\"\n", argv[i]);
        return false;
    }
    options.model = *model;
    options.modelName = argv[i++];
    for (; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        const std::string option = argv[i];
        if (option == "--no-answer") {
            options.answers = false;
        } else if (option == "--unplug-after" && i + 1 < argc) {
            char* end = nullptr;
            const double seconds = std::strtod(argv[++i], &end);
            if (end == argv[i] || *end != '\0' || !(seconds >= 0.0) || seconds > 86400.0) {
                std::fprintf(stderr, "fake-accessory: --unplug-after needs 0 to 86400 seconds, not \"%s\"\n", argv[i]);
                return false;
            }
            options.unplugAfter = seconds;
        } else {
            std::fprintf(stderr, "fake-accessory: unknown option \"%s\"\n", argv[i]);
            return false;
        }
    }
    if (i + 1 >= argc) {
        std::fputs("fake-accessory: no command after \"--\"\n", stderr);
        return false;
    }
    options.command.assign(argv + i + 1, argv + argc);
    options.command.push_back(nullptr);
    return true;
}

std::atomic<int> g_signal{0};

void remember(int signal)
{
    g_signal = signal;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(kUsage, stderr);
        return 2;
    }

    // The testbed's own calls (the removal uevent) need the emulation preloaded here too: start
    // again with it. The child inherits it and the testbed's directory (UMOCKDEV_DIR).
    if (!UmockdevAccessory::preloaded()) {
        UmockdevAccessory::preloadEnvironment();
        execv("/proc/self/exe", argv);
        std::fprintf(stderr, "fake-accessory: cannot start again with the USB emulation: %s\n", std::strerror(errno));
        return 1;
    }
    UmockdevAccessory accessory(options.model);
    accessory.setAnswering(options.answers);
    std::fprintf(stderr, "fake-accessory: %s plugged in (26ae:0007, bus 1 address 2)%s\n", options.modelName,
                 options.answers ? "" : ", answering nothing");

    struct sigaction action {};
    action.sa_handler = remember;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);

    pid_t child = 0;
    if (const int error = posix_spawnp(&child, options.command[0], nullptr, nullptr, options.command.data(), environ);
        error != 0) {
        std::fprintf(stderr, "fake-accessory: cannot run %s: %s\n", options.command[0], std::strerror(error));
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    enum class Plug { kIn, kPulled, kRemoved } plug = Plug::kIn;
    int releasesWhenPulled = 0;
    double pulledAt = 0.0;
    int status = 0;
    for (;;) {
        const pid_t done = waitpid(child, &status, WNOHANG);
        if (done == child || (done < 0 && errno != EINTR)) {
            break;
        }
        if (const int signal = g_signal.exchange(0); signal != 0) {
            kill(child, signal);
        }
        const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        if (plug == Plug::kIn && options.unplugAfter && elapsed >= *options.unplugAfter) {
            // Pulled out: transfers fail at once. The device leaves the bus once the program has
            // let go of it (or after two seconds), as the kernel's removal follows the failures.
            releasesWhenPulled = accessory.requests().releases;
            accessory.unplug();
            plug = Plug::kPulled;
            pulledAt = elapsed;
            std::fprintf(stderr, "fake-accessory: %s unplugged after %.1f s\n", options.modelName, elapsed);
        } else if (plug == Plug::kPulled &&
                   (accessory.requests().releases > releasesWhenPulled || elapsed >= pulledAt + 2.0)) {
            accessory.remove();
            plug = Plug::kRemoved;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    if (WIFSIGNALED(status)) {
        return 128 + WTERMSIG(status);
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 1;
}
