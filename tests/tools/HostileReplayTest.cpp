// Hostile recordings through the real nolvo-log, one process each: every file is refused or
// converted, the process never hangs, its peak memory stays within 64 MB plus the file's size,
// standard output holds nothing or the CSV path, standard error at most 20 lines naming the file.
// And a replay in the program lends the recording's mode, band and power settings to the working
// settings only while it runs: a save meanwhile stores the user's, its end puts them back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <spawn.h>
#include <sstream>
#include <thread>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/sim/AccessorySimulator.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;
constexpr std::uint64_t kDay = 24ull * 3600 * 1000000;
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kMemoryIsTheTools = false; // AddressSanitizer's shadow and quarantine come on top
#else
constexpr bool kMemoryIsTheTools = true;
#endif

struct ToolRun {
    int status = -1;        // exit status; -1 when killed
    std::string out;
    std::string err;
    long errLines = 0;
    long peakKb = 0;
};

// The first 64 KiB of a file and its line count: a flood of output must not swell this process
// (a child's peak memory counts this process's peak from before the child's exec).
std::string slurp(const std::string& path, long* lines = nullptr)
{
    std::ifstream in(path, std::ios::binary);
    std::string text;
    long count = 0;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        const auto n = static_cast<std::size_t>(in.gcount());
        count += std::count(buffer, buffer + n, '\n');
        text.append(buffer, std::min(n, 65536 - std::min<std::size_t>(text.size(), 65536)));
    }
    if (lines != nullptr) {
        *lines = count;
    }
    return text;
}

// Runs nolvo-log on `file`; kills it after a minute (a hang, not a slow machine). posix_spawn
// shares the test's memory until the exec, so the peak measured is the tool's own.
ToolRun convert(const std::string& file, const std::string& dir)
{
    const std::string out = dir + "/stdout", err = dir + "/stderr", csvDir = dir + "/csv";
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const char* argv[] = {"nolvo-log", "--replay-file", file.c_str(), "--output", csvDir.c_str(), nullptr};
    pid_t pid = -1;
    const int spawned = ::posix_spawn(&pid, NOLVO_LOG_TOOL, &actions, nullptr, const_cast<char* const*>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    ToolRun run;
    if (spawned != 0) {
        ADD_FAILURE() << "cannot start " << NOLVO_LOG_TOOL << ": " << std::strerror(spawned);
        return run;
    }
    int status = 0;
    struct rusage usage {};
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::minutes(1);
    pid_t done = 0;
    while ((done = ::wait4(pid, &status, WNOHANG, &usage)) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            ::kill(pid, SIGKILL);
            done = ::wait4(pid, &status, 0, &usage);
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (done == pid) {
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.peakKb = usage.ru_maxrss;
    }
    run.out = slurp(out);
    run.err = slurp(err, &run.errLines);
    return run;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

void addChunk(Bytes& file, std::uint64_t timeUs, const std::uint8_t* payload, std::size_t size)
{
    const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, timeUs, payload, size);
    file.insert(file.end(), chunk.begin(), chunk.end());
}

// The dual-band accessory's header with `startWallMs`, then `sweeps` sweeps 50 ms apart from `fromUs`.
Bytes sweepsFile(sim::AccessorySimulator& simulator, std::int64_t startWallMs = 1710495005123)
{
    DataModel defaults;
    recording::Header header = LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "test");
    header.startWallMs = startWallMs;
    return recording::encodeHeader(header);
}

void addSweeps(Bytes& file, sim::AccessorySimulator& simulator, std::uint64_t fromUs, int sweeps)
{
    for (int i = 0; i < sweeps; ++i) {
        const Bytes sweep = simulator.sweepFrames(0);
        addChunk(file, fromUs + static_cast<std::uint64_t>(i) * 50000, sweep.data(), sweep.size());
    }
}

TEST(HostileReplay, EveryFileIsRefusedOrConvertedWithinItsBounds)
{
    TempDir dir;
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 7);
    const Bytes head = sweepsFile(simulator);
    // The files are written as they are made, never held whole: the peak memory a child reports
    // includes this process's own peak from before its exec.
    std::vector<std::pair<std::string, bool>> files; // path, converts
    auto add = [&](const std::string& name, const Bytes& bytes, bool converts) {
        writeFile(dir.file(name), bytes);
        files.emplace_back(dir.file(name), converts);
    };
    {
        Bytes f = head;
        addSweeps(f, simulator, 0, 40);
        Bytes leap = f;
        addSweeps(leap, simulator, 1ull << 63, 1); // the second part stamped 2^63 us
        add("leap.nolrec", leap, false);
        Bytes year = f;
        addSweeps(year, simulator, 365 * kDay, 40); // a year of silence, then more sweeps
        add("year.nolrec", year, true);
        Bytes edge = f;
        addSweeps(edge, simulator, recording::kMaxChunkTimeUs, 1);
        add("edge.nolrec", edge, true);
    }
    {
        Bytes f = sweepsFile(simulator, std::numeric_limits<std::int64_t>::max() - 5);
        addSweeps(f, simulator, 0, 40);
        add("start.nolrec", f, false);
    }
    {
        // A real sweep stream cut into one-byte reads, 1 us apart, with an empty read after each:
        // two million chunks.
        std::ofstream out(dir.file("tiny.nolrec"), std::ios::binary);
        out.write(reinterpret_cast<const char*>(head.data()), static_cast<std::streamsize>(head.size()));
        std::uint64_t t = 0;
        Bytes piece;
        while (t < 1000000) {
            piece.clear();
            for (std::uint8_t b : simulator.sweepFrames(0)) {
                addChunk(piece, t, &b, 1);
                addChunk(piece, t, nullptr, 0);
                ++t;
            }
            out.write(reinterpret_cast<const char*>(piece.data()), static_cast<std::streamsize>(piece.size()));
        }
        files.emplace_back(dir.file("tiny.nolrec"), true);
    }
    {
        Bytes f = head;
        f.insert(f.end(), 44, 0xFF); // a chunk length of 2^32 - 1
        add("huge.nolrec", f, false);
    }
    {
        recording::Header unknown;
        unknown.identification = {0xAA, 0x60, 0x63, 0x00}; // a model nobody makes
        Bytes f = recording::encodeHeader(unknown);
        addSweeps(f, simulator, 0, 40);
        add("unknown.nolrec", f, false);
    }
    for (std::size_t end : {std::size_t{3}, std::size_t{12}, std::size_t{17}, head.size() - 1}) {
        add("cut" + std::to_string(end) + ".nolrec", Bytes(head.begin(), head.begin() + static_cast<long>(end)), false);
    }
    const std::string fifo = dir.file("pipe.nolrec");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    files.emplace_back(fifo, false);
    files.emplace_back("/dev/zero", false);
    const std::string sparse = dir.file("sparse.nolrec");
    writeFile(sparse, head);
    ASSERT_EQ(::truncate(sparse.c_str(), 3ll << 30), 0);
    files.emplace_back(sparse, false);

    for (const auto& [path, converts] : files) {
        SCOPED_TRACE(path);
        const std::string runDir = dir.file("run");
        std::filesystem::remove_all(runDir);
        std::filesystem::create_directories(runDir);
        const ToolRun run = convert(path, runDir);
        EXPECT_NE(run.status, -1) << "killed (hung?): " << run.err.substr(0, 2000);
        if (run.status == -1) {
            continue;
        }
        struct stat info {};
        const long fileKb = ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) ? info.st_blocks / 2 : 0;
        if (kMemoryIsTheTools) {
            EXPECT_LE(run.peakKb, 64 * 1024 + fileKb);
        }
        EXPECT_LE(run.errLines, 20) << run.err.substr(0, 2000);
        if (converts) {
            EXPECT_EQ(run.status, 0) << run.err;
            ASSERT_FALSE(run.out.empty());
            const std::string csv = run.out.substr(0, run.out.size() - 1);
            EXPECT_EQ(run.out, csv + "\n");
            EXPECT_TRUE(std::filesystem::is_regular_file(csv)) << run.out;
        } else {
            EXPECT_EQ(run.status, 1) << run.err;
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        }
    }
}

TEST(HostileReplay, ARecordingLargerThanTheMemoryIsRefusedWithOneLine)
{
    if (!kMemoryIsTheTools) {
        GTEST_SKIP() << "AddressSanitizer needs more address space than the limit";
    }
    TempDir dir;
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 7);
    // Good sweeps over the first read piece, then a hole to 3 GiB; 1 GiB of address space.
    Bytes f = sweepsFile(simulator);
    addSweeps(f, simulator, 0, 2 * static_cast<int>(Recording::kReadPiece / 250));
    const std::string path = dir.file("big.nolrec");
    writeFile(path, f);
    ASSERT_EQ(::truncate(path.c_str(), 3ll << 30), 0);
    const std::string out = dir.file("stdout"), err = dir.file("stderr"), csvDir = dir.file("csv");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const struct rlimit limit {1ul << 30, 1ul << 30};
        ::setrlimit(RLIMIT_AS, &limit);
        const int o = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        const int e = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        ::dup2(o, 1);
        ::dup2(e, 2);
        ::alarm(60);
        ::execl(NOLVO_LOG_TOOL, "nolvo-log", "--replay-file", path.c_str(), "--output", csvDir.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << "no orderly exit (signal " << WTERMSIG(status) << ")";
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_EQ(slurp(out), "");
    const std::string text = slurp(err);
    EXPECT_EQ(text.rfind("nolvo-log: " + path + ": not enough memory to read the recording (3221225472 bytes) at offset ", 0),
              0u)
        << text;
    EXPECT_EQ(std::count(text.begin(), text.end(), '\n'), 1) << text;
}

class ReplaySettings : public test::IsolatedStoreTest {};

TEST_F(ReplaySettings, TheUsersModeBandAndPowerSettingsSurviveAReplay)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 7);
    // The user: spectrum mode, 2.4 GHz, a trigger level of -30 dBm.
    auto userSettings = [](DataModel& m) {
        m.common.spectrumModeActive = 1;
        m.spectrum.band = 0;
        m.power.triggerLevel = -30.0f;
        m.power.persistence = 2.0f;
    };
    struct Case {
        const char* what;
        float recordedLevel;
        bool applied; // the recorded power settings are used while the replay runs
    };
    const Case cases[] = {
        {"finite power settings", -55.0f, true},
        {"a NaN trigger level", std::nanf(""), false},
        {"an infinite trigger level", INFINITY, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DataModel recorded;
        recorded.common.spectrumModeActive = 1;
        recorded.spectrum.band = 1;
        recorded.power.triggerLevel = c.recordedLevel;
        recorded.power.persistence = 9.0f;
        Bytes file = recording::encodeHeader(LinkRecorder::headerFor(recorded, simulator.identificationFrame(), "t"));
        addSweeps(file, simulator, 0, 100);
        std::string error;
        const auto recording = Recording::parse(file, "r.nolrec", error);
        ASSERT_TRUE(recording) << error;

        DataModel model;
        model.demo.hardware = 255;
        userSettings(model);
        AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{std::chrono::milliseconds(100), false});
        delegate.replay().start(recording, 100000);
        for (int pass = 0; pass < 20; ++pass) {
            delegate.runWorkerPass();
        }
        ASSERT_GT(delegate.replay().positionUs(), 0u);
        EXPECT_EQ(model.spectrum.band, 1) << "the recording's band while it replays";
        EXPECT_EQ(model.power.triggerLevel == c.recordedLevel, c.applied);
        if (!c.applied) {
            EXPECT_EQ(model.power.triggerLevel, -30.0f) << "a record with a non-finite value is not used";
        }
        EXPECT_TRUE(std::isfinite(model.power.triggerLevel));
        EXPECT_TRUE(std::isfinite(model.power.persistence));

        // Minimised or closed while replaying: the user's settings are what is saved.
        {
            ModelLock lock(model, kAllModelLocks);
            delegate.saveConfiguration(0);
        }
        EXPECT_EQ(model.spectrum.band, 1) << "the replay goes on with its own";
        reopenStore();
        DataModel saved;
        saved.loadConfiguration(0);
        EXPECT_EQ(saved.spectrum.band, 0);
        EXPECT_EQ(saved.common.spectrumModeActive, 1);
        EXPECT_EQ(saved.power.triggerLevel, -30.0f);
        EXPECT_EQ(saved.power.persistence, 2.0f);

        // The replay ends: the user's settings are back.
        delegate.replay().stop();
        delegate.runWorkerPass();
        EXPECT_FALSE(delegate.replayUserSettings());
        EXPECT_EQ(model.spectrum.band, 0);
        EXPECT_EQ(model.common.spectrumModeActive, 1);
        EXPECT_EQ(model.power.triggerLevel, -30.0f);
        EXPECT_EQ(model.power.persistence, 2.0f);
        delegate.stop();
    }
}

} // namespace
} // namespace nolvo
