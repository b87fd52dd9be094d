// A replay lends the recording's settings to the model on the worker thread while the render
// thread draws from them and saves the configuration: the worker must write the records under the
// model locks the readers hold. Label `threaded`: under ThreadSanitizer a plain copy is reported.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "accessory/AccessoryCommunicationDelegate.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/sim/AccessorySimulator.h"
#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "support/Eventually.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using Bytes = std::vector<std::uint8_t>;

class ReplayBesideTheRenderThread : public test::IsolatedStoreTest {};

TEST_F(ReplayBesideTheRenderThread, SettingsAreLentAndGivenBackUnderTheLocks)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 7);
    DataModel recorded;
    recorded.spectrum.band = 1;
    recorded.power.persistence = 9.0f;
    Bytes file = recording::encodeHeader(LinkRecorder::headerFor(recorded, simulator.identificationFrame(), "t"));
    for (std::uint64_t t = 0; t < 2000000; t += 50000) {
        const Bytes sweep = simulator.sweepFrames(0);
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, sweep.data(), sweep.size());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::string error;
    const auto recording = Recording::parse(file, "r.nolrec", error);
    ASSERT_TRUE(recording) << error;

    DataModel model;
    model.demo.hardware = 255;
    model.power.persistence = 2.0f;
    AccessoryCommunicationDelegate delegate(model, AccessoryCommunicationDelegate::Options{5ms, true});
    // Replays begin and end on the worker while this thread reads the power record as the power
    // view does (dataLock) and saves the configuration as a minimise does (all locks).
    const auto until = std::chrono::steady_clock::now() + 1500ms;
    int replays = 0;
    float seen = 0;
    while (std::chrono::steady_clock::now() < until) {
        if (replays % 2 == 0) {
            delegate.replay().start(recording);
        } else {
            delegate.replay().stop();
        }
        ++replays;
        for (int i = 0; i < 20; ++i) {
            {
                ModelLock lock(model, kDataLock);
                seen += model.power.persistence;
            }
            {
                ModelLock lock(model, kAllModelLocks);
                delegate.saveConfiguration(0);
            }
            std::this_thread::sleep_for(1ms);
        }
    }
    delegate.replay().stop();
    ASSERT_TRUE(test::eventually([&] { return !delegate.replayUserSettings(); }));
    delegate.stop();
    EXPECT_GT(seen, 0.0f);
    EXPECT_GT(replays, 4);
    EXPECT_EQ(model.power.persistence, 2.0f) << "the user's value is back";
    EXPECT_EQ(model.spectrum.band, 0);
    reopenStore();
    DataModel saved;
    saved.loadConfiguration(0);
    EXPECT_EQ(saved.power.persistence, 2.0f) << "no save stored the recording's";
    EXPECT_EQ(saved.spectrum.band, 0);
}

} // namespace
} // namespace nolvo
