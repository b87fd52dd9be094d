// Accessories that come, go or cannot be used while the demo plays: the real link thread and
// worker thread against the simulated bus, with the shipped recordings as the demo. Also run under
// ThreadSanitizer (label `threaded`).
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>

#include "fakes/AccessoryRig.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "model/SharedField.h"
#include "platform/FileUtils.h"
#include "support/TempDir.h"
#include "support/Eventually.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using sim::AccessorySimulator;
using sim::SimulatedModel;
using sim::SimulatedUsbBackend;

using test::eventually;

// Counts the lines about the accessory (the demo's access points are logged too).
struct CountingSink : LogSink {
    std::atomic<int> lines{0};
    void logLine(int, const std::string& text) override { lines += text.find("Nolvo accessory") != std::string::npos; }
};

int occurrences(const std::string& text, const std::string& what)
{
    int n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) {
        ++n;
    }
    return n;
}

// The link on a simulated bus, the delegate playing the second-generation recordings while no
// accessory is connected, and a data log that is on.
class HotPlug : public test::IsolatedStoreTest {
protected:
    void SetUp() override
    {
        IsolatedStoreTest::SetUp();
        engine::FileUtils* files = engine::FileUtils::getInstance();
        m_savedRoots = files->getResourceRoots();
        m_savedPaths = files->getSearchPaths();
        files->setResourceRoots({NOLVO_SOURCE_DIR});
        files->setSearchPaths({"res"});
        // The worker already runs and may have identified the default demo hardware: start its
        // playback over with the second-generation recordings.
        storeShared<std::uint8_t>(model.demo.hardware, 1);
        delegate.requestPlaybackRestart();
        model.setLogSink(&sink);
        delegate.setDataLogger(&logger);
        using namespace std::placeholders;
        link.setDeviceCallbacks(
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d) { return delegate.shouldConnect(l, d); },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d) {
                ++connects;
                delegate.connected(l, d);
            },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d, int r) {
                ++failures;
                delegate.openFailed(l, d, r);
            },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d, int r) {
                ++disconnects;
                delegate.disconnected(l, d, r);
            });
        link.setDataCallbacks(std::bind(&AccessoryCommunicationDelegate::dataReceived, &delegate, _1, _2, _3, _4),
                              {});
    }
    void TearDown() override
    {
        link.stop();
        delegate.stop();
        model.setLogSink(nullptr);
        engine::FileUtils::getInstance()->setResourceRoots(m_savedRoots);
        engine::FileUtils::getInstance()->setSearchPaths(m_savedPaths);
        IsolatedStoreTest::TearDown();
    }

    std::size_t sweeps()
    {
        ModelLock lock(model, kDataLock);
        return model.bandStore(kBand24).history.size();
    }
    // The demo is identified and its frames are arriving (the sweep history stops growing at its
    // bound, so frames are counted).
    ::testing::AssertionResult demoPlays()
    {
        const std::uint64_t before = delegate.framesDispatched();
        if (eventually([&] { return delegate.protocolModelId() == 6 && delegate.framesDispatched() > before + 5; })) {
            return ::testing::AssertionSuccess();
        }
        return ::testing::AssertionFailure()
               << "model " << delegate.protocolModelId() << ", link state " << delegate.linkState() << ", identified "
               << delegate.identified() << ", frames " << before << " -> " << delegate.framesDispatched()
               << ", run state " << model.runState.load() << ", parse buffer " << delegate.parseBufferFill();
    }

    DataModel model;
    CountingSink sink;
    DataLogFile file;
    DataLogger logger{model, file};
    SimulatedUsbBackend backend;
    AccessoryCommunication link{&backend};
    AccessoryCommunicationDelegate delegate{model, {std::chrono::milliseconds(10), true}};
    std::atomic<int> connects{0};
    std::atomic<int> disconnects{0};
    std::atomic<int> failures{0};
    std::vector<std::string> m_savedRoots;
    std::vector<std::string> m_savedPaths;
};

TEST_F(HotPlug, UnusableAccessoryLeavesTheDemoPlayingAndIsToldOnce)
{
    struct Case {
        const char* name;
        bool answers;   // a simulator behind the device (else every transfer fails)
        int openResult; // what opening it returns
        const char* message;
    };
    const Case cases[] = {
        {"refused", true, kUsbErrorAccess, AccessoryCommunicationDelegate::kPermissionMessage},
        {"silent", false, 0, AccessoryCommunicationDelegate::kNoAnswerMessage},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        auto simulator = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo25);
        simulator->setFrameInterval(5ms);
        backend.detachAll();
        backend.attach(c.answers ? simulator : nullptr, SimulatedUsbBackend::accessoryDescriptor(), c.openResult);
        sink.lines = 0;
        failures = 0;
        model.dataLogState = kLogStartRequested;
        ::testing::internal::CaptureStderr();
        ASSERT_TRUE(link.start());

        // The link keeps trying the accessory while the demo fills the plot and the log.
        ASSERT_TRUE(eventually([&] { return failures.load() > 20 && sweeps() >= 5; }));
        EXPECT_TRUE(demoPlays());
        logger.waitForWrites(); // the file is made on the logger's writer thread
        EXPECT_TRUE(file.isOpen());
        EXPECT_EQ(model.dataLogState.load(), kLogging);
        EXPECT_FALSE(model.accessoryConnected.load());
        EXPECT_EQ(connects.load(), 0);
        EXPECT_EQ(disconnects.load(), 0);
        EXPECT_EQ(sink.lines.load(), 1);
        link.stop();
        const std::string err = ::testing::internal::GetCapturedStderr();
        EXPECT_EQ(occurrences(err, c.message), 1) << err;

        // Plugged in again, usable: it connects and its own sweeps replace the demo.
        backend.detachAll();
        backend.attach(simulator);
        ASSERT_TRUE(link.start());
        ASSERT_TRUE(eventually([&] { return connects.load() == 1 && delegate.protocolModelId() == 7; }));
        const int sent = simulator->sweepsSent();
        ASSERT_TRUE(eventually([&] { return simulator->sweepsSent() > sent + 3 && sweeps() >= 3; }));
        EXPECT_TRUE(model.accessoryConnected.load());

        // Unplugged: the demo takes over again.
        simulator->unplug();
        ASSERT_TRUE(eventually([&] { return disconnects.load() == 1 && delegate.protocolModelId() == 6; }));
        EXPECT_TRUE(demoPlays());
        link.stop();
        connects = 0;
        disconnects = 0;
        file.stopDataLog();
    }
}

TEST_F(HotPlug, AccessoryComingAndGoingDuringPlayback)
{
    auto simulator = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo25);
    simulator->setFrameInterval(5ms);
    simulator->unplug();
    backend.attach(simulator);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return sweeps() >= 2; }));
    for (int round = 1; round <= 3; ++round) {
        SCOPED_TRACE(round);
        simulator->plug();
        ASSERT_TRUE(eventually([&] { return connects.load() == round && delegate.protocolModelId() == 7; }));
        const int sent = simulator->sweepsSent();
        ASSERT_TRUE(eventually([&] { return simulator->sweepsSent() > sent + 2 && sweeps() >= 2; }));
        simulator->unplug();
        ASSERT_TRUE(eventually([&] { return disconnects.load() == round && delegate.protocolModelId() == 6; }));
        EXPECT_TRUE(demoPlays());
        EXPECT_FALSE(model.accessoryConnected.load());
    }
    EXPECT_EQ(failures.load(), 0);
}

// The menus and the scene change the settings the worker and the parser read, while the demo
// plays; whole configurations are loaded under the model locks. Under ThreadSanitizer
// this shows that every such field is shared soundly.
TEST_F(HotPlug, SettingsChangeWhileTheDemoPlays)
{
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return sweeps() >= 2; }));
    model.saveConfiguration(1);
    storeShared<std::uint8_t>(model.spectrum.ssidOverlay, 1);
    storeShared(model.spectrum.band, 1);
    model.saveConfiguration(2);
    model.loadConfiguration(1);
    std::atomic<bool> done{false};
    std::thread menus([&] {
        for (int i = 0; !done.load(); ++i) {
            storeShared<std::uint8_t>(model.spectrum.ssidOverlay, i % 2);
            storeShared<std::uint8_t>(model.spectrum.displayMode, (i / 2) % 2);
            storeShared(model.spectrum.ssidScanInterval, i % 3 == 0 ? 0.0f : 20.0f);
            storeShared(model.spectrum.waterfallTimeScale, i % 3);
            storeShared(model.power.timeScaleIndex, 10 + i % 5);
            delegate.requestRestart(false);
            if (i % 7 == 0) {
                ModelLock lock(model, kAllModelLocks);
                model.loadConfiguration(i % 2 == 0 ? 1 : 2);
            }
            std::this_thread::sleep_for(3ms);
        }
    });
    std::this_thread::sleep_for(1500ms);
    done = true;
    menus.join();
    model.loadConfiguration(1);
    EXPECT_TRUE(demoPlays());
}

} // namespace
} // namespace nolvo
