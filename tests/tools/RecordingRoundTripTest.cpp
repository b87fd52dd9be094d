// Recording and replay end to end: a simulated accessory streams through the real link path while
// the recorder takes every read; replaying the file gives the sweeps and CSV rows of the live run.
// Seeking rebuilds the histories a straight run to the same point builds, and a recording cut
// inside its last chunk replays like the recording that stops before that chunk.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <thread>

#include "ReplayConversion.h"
#include "accessory/AccessoryCommunication.h"
#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/SimulatedUsbBackend.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "platform/FileUtils.h"
#include "support/Eventually.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;
using Sweeps = std::vector<std::vector<float>>;
namespace fs = std::filesystem;

constexpr std::uint8_t kDemoOff = 255;

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/nolvo-roundtrip-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// Stops the link and the delegate's worker before anything they call into is destroyed, also when
// an assertion ends a test early. Declared after everything the threads use.
struct StopThreadsFirst {
    AccessoryCommunication& link;
    AccessoryCommunicationDelegate& delegate;
    ~StopThreadsFirst()
    {
        link.stop();
        delegate.stop();
    }
};

using test::eventually;

Sweeps historyOf(DataModel& model, int band)
{
    ModelLock lock(model, kDataLock);
    const SweepHistory& history = model.bandStore(band).history;
    Sweeps sweeps;
    for (std::size_t i = 0; i < history.size(); ++i) {
        sweeps.emplace_back(history.entry(i), history.entry(i) + history.entrySize());
    }
    return sweeps;
}

std::vector<std::string> lines(const std::string& path)
{
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// A row's time cell and the rest of it.
std::pair<std::string, std::string> splitRow(const std::string& row)
{
    const std::size_t comma = row.find(',');
    return {row.substr(0, comma), row.substr(comma + 1)};
}

TEST(RecordingRoundTrip, ReplayGivesTheSweepsAndRowsOfTheLiveRun)
{
    TempDir dir;
    engine::FileUtils::getInstance()->setWritablePath(dir.path() + "/live");
    fs::create_directories(dir.path() + "/live");

    DataModel live;
    live.demo.hardware = kDemoOff; // nothing but the accessory may feed this model
    auto simulator = std::make_shared<sim::AccessorySimulator>(sim::SimulatedModel::kNolvo25);
    simulator->setFrameInterval(40ms);
    sim::SimulatedUsbBackend backend;
    backend.attach(simulator);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(live);
    DataLogFile liveFile;
    DataLogger liveLogger(live, liveFile);
    delegate.setDataLogger(&liveLogger);
    delegate.bind(link);
    LinkRecorder recorder(&live);
    link.setRecorder(&recorder);
    StopThreadsFirst stopThreadsFirst{link, delegate};
    link.start();

    // Record from the identification on, and log every sweep from the first.
    ASSERT_TRUE(eventually([&] { return delegate.identified(); }));
    std::string error;
    ASSERT_TRUE(recorder.start(dir.path() + "/recordings",
                               LinkRecorder::headerFor(live, delegate.identificationFrame(), "test"), error))
        << error;
    live.dataLogState = kLogStartRequested;
    std::this_thread::sleep_for(10s);
    const std::string livePath = liveFile.path(); // the log closes with the accessory
    link.stop(); // the accessory goes away: the recording ends with everything the model got
    delegate.stop();
    liveLogger.closeLog();
    EXPECT_FALSE(recorder.recording());
    const Sweeps liveSweeps = historyOf(live, kBand24);
    ASSERT_GT(liveSweeps.size(), 100u);
    ASSERT_FALSE(livePath.empty());

    const auto recording = Recording::open(recorder.lastPath(), error);
    ASSERT_TRUE(recording) << error;
    EXPECT_FALSE(recording->cut());

    engine::FileUtils::getInstance()->setWritablePath(dir.path() + "/replay");
    fs::create_directories(dir.path() + "/replay");
    DataModel replayed;
    replayed.demo.hardware = kDemoOff;
    const ReplayConversion result = ReplayConversion::run(recording, replayed);
    ASSERT_FALSE(result.csvPath.empty());
    EXPECT_EQ(historyOf(replayed, kBand24), liveSweeps);
    EXPECT_EQ(historyOf(replayed, kBand5).size(), historyOf(live, kBand5).size());

    // Same header, same values in every row; the times agree to the millisecond the clocks allow.
    const std::vector<std::string> liveLines = lines(livePath);
    const std::vector<std::string> replayLines = lines(result.csvPath);
    ASSERT_EQ(replayLines.size(), liveLines.size());
    EXPECT_EQ(result.rows, static_cast<long>(liveSweeps.size()));
    int rowsCompared = 0;
    for (std::size_t i = 0; i < liveLines.size(); ++i) {
        const bool row = !liveLines[i].empty() && std::isdigit(static_cast<unsigned char>(liveLines[i][0]));
        if (!row) {
            EXPECT_EQ(replayLines[i], liveLines[i]) << "line " << i;
            continue;
        }
        const auto [liveTime, liveValues] = splitRow(liveLines[i]);
        const auto [replayTime, replayValues] = splitRow(replayLines[i]);
        EXPECT_EQ(replayValues, liveValues) << "row " << i;
        if (liveTime.find(':') != std::string::npos) {
            // The first row carries the wall-clock second the logging began.
            EXPECT_EQ(replayTime.size(), liveTime.size());
        } else {
            // The live time is taken when the worker logs the row, the replayed one when the link
            // received its bytes: on a loaded machine the worker may lag by a few milliseconds.
            // Half a frame interval still catches a row stamped with the wrong frame's time.
            EXPECT_NEAR(std::stod(replayTime), std::stod(liveTime), 0.02) << "row " << i;
        }
        ++rowsCompared;
    }
    EXPECT_EQ(rowsCompared, static_cast<int>(liveSweeps.size()));
}

// A recording made without a link: the dual-band accessory's identification, then one 2.4 GHz
// sweep every 50 ms for `seconds` (more sweeps than a history keeps).
Bytes syntheticRecording(int seconds, std::vector<std::size_t>* chunkOffsets = nullptr)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 7);
    DataModel defaults;
    recording::Header header = LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "test");
    Bytes file = recording::encodeHeader(header);
    for (std::uint64_t t = 50000; t <= static_cast<std::uint64_t>(seconds) * 1000000; t += 50000) {
        if (chunkOffsets != nullptr) {
            chunkOffsets->push_back(file.size());
        }
        const Bytes sweep = simulator.sweepFrames(0);
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, sweep.data(), sweep.size());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

// Replays with worker passes by hand on the virtual clock; `until` says when to stop.
class ReplayRig {
public:
    explicit ReplayRig(std::shared_ptr<const Recording> recording)
        : delegate(model, AccessoryCommunicationDelegate::Options{100ms, false})
    {
        model.demo.hardware = kDemoOff;
        delegate.replay().start(std::move(recording), 100000);
    }
    void runUntil(std::uint64_t positionUs)
    {
        for (int pass = 0; pass < 100000 && !(delegate.replay().positionUs() >= positionUs &&
                                               delegate.linkState() == AccessoryCommunicationDelegate::kStreaming);
             ++pass) {
            delegate.runWorkerPass();
            if (delegate.replay().atEnd() && delegate.replay().positionUs() < positionUs) {
                break;
            }
        }
    }
    void seek(std::int64_t targetUs)
    {
        delegate.replay().seek(targetUs);
        delegate.runWorkerPass(); // the worker rebuilds on its next pass
    }

    DataModel model;
    AccessoryCommunicationDelegate delegate;
};

TEST(RecordingReplay, SeekingRebuildsWhatAStraightRunBuilds)
{
    std::string error;
    const auto recording = Recording::parse(syntheticRecording(60), "seek.nolrec", error);
    ASSERT_TRUE(recording) << error;
    for (std::uint64_t target : {30000000ull, 60000000ull}) {
        ReplayRig straight(recording);
        straight.runUntil(target);
        ASSERT_EQ(straight.delegate.replay().positionUs(), target);
        const Sweeps expected = historyOf(straight.model, kBand24);
        ASSERT_GT(expected.size(), 500u);

        ReplayRig forward(recording); // from before the target
        forward.runUntil(12000000);
        forward.seek(static_cast<std::int64_t>(target));
        EXPECT_EQ(forward.delegate.replay().positionUs(), target);
        EXPECT_EQ(historyOf(forward.model, kBand24), expected) << "seek forward to " << target;

        ReplayRig backward(recording); // from the end
        backward.runUntil(recording->durationUs());
        backward.seek(static_cast<std::int64_t>(target));
        EXPECT_EQ(historyOf(backward.model, kBand24), expected) << "seek back to " << target;
    }
}

TEST(RecordingReplay, ACutRecordingReplaysUpToTheChunkBeforeTheCut)
{
    std::vector<std::size_t> offsets;
    const Bytes whole = syntheticRecording(2, &offsets);
    const Bytes before(whole.begin(), whole.begin() + static_cast<long>(offsets.back()));
    std::string error;
    ReplayRig reference(Recording::parse(before, "before.nolrec", error));
    reference.runUntil(2000000);
    const Sweeps expected = historyOf(reference.model, kBand24);
    ASSERT_EQ(expected.size(), offsets.size() - 1);
    for (std::size_t end = offsets.back() + 1; end < whole.size(); ++end) {
        const auto cut = Recording::parse(Bytes(whole.begin(), whole.begin() + static_cast<long>(end)), "cut.nolrec", error);
        ASSERT_TRUE(cut) << error;
        ReplayRig rig(cut);
        rig.runUntil(2000000);
        ASSERT_EQ(historyOf(rig.model, kBand24), expected) << "cut at " << end;
    }
}

TEST(RecordingReplay, ReplayWinsOverAPluggedInAccessoryOfAnotherModelUntilItEnds)
{
    DataModel model;
    model.demo.hardware = kDemoOff;
    auto simulator = std::make_shared<sim::AccessorySimulator>(sim::SimulatedModel::kNolvo2); // second generation
    simulator->setFrameInterval(40ms);
    sim::SimulatedUsbBackend backend;
    backend.attach(simulator);
    AccessoryCommunication link(&backend);
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{20ms, true});
    StopThreadsFirst stopThreadsFirst{link, delegate};
    delegate.bind(link);
    link.start();
    ASSERT_TRUE(eventually([&] { return delegate.identified() && delegate.protocolModelId() == 6; }));

    // What the window does for "--replay": keep the accessory away, play the dual-band recording.
    std::string error;
    const auto recording = Recording::parse(syntheticRecording(60), "dual.nolrec", error);
    ASSERT_TRUE(recording) << error;
    link.suspended = true;
    delegate.replay().start(recording);
    ASSERT_TRUE(eventually([&] { return delegate.protocolModelId() == 7 && delegate.replay().positionUs() > 0; }));
    EXPECT_FALSE(model.accessoryConnected.load());
    const int commandsDuringReplay = static_cast<int>(simulator->commands().size());
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(static_cast<int>(simulator->commands().size()), commandsDuringReplay) << "nothing goes to the accessory";
    EXPECT_EQ(delegate.protocolModelId(), 7);

    // The replay ends: the live accessory takes over again.
    delegate.replay().stop();
    link.suspended = false;
    ASSERT_TRUE(eventually([&] { return model.accessoryConnected.load() && delegate.identified() &&
                                        delegate.protocolModelId() == 6 &&
                                        delegate.linkState() == AccessoryCommunicationDelegate::kStreaming; }))
        << "connected " << model.accessoryConnected.load() << ", identified " << delegate.identified() << ", model "
        << delegate.protocolModelId() << ", state " << delegate.linkState();
    const int sweepsBefore = simulator->sweepsSent();
    ASSERT_TRUE(eventually([&] { return simulator->sweepsSent() > sweepsBefore + 3; }));
    link.stop();
    delegate.stop();
}

} // namespace
} // namespace nolvo
