// The real link thread and worker thread against the simulated accessory behind the USB seam.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <thread>

#include "fakes/AccessoryRig.h"
#include "support/Eventually.h"

namespace nolvo {
namespace {

using namespace std::chrono_literals;
using sim::AccessorySimulator;
using sim::SimulatedModel;
using sim::SimulatedUsbBackend;

using test::eventually;

unsigned char* copyOf(std::initializer_list<unsigned char> bytes)
{
    auto* data = static_cast<unsigned char*>(std::malloc(bytes.size()));
    std::memcpy(data, bytes.begin(), bytes.size());
    return data;
}

// The whole chain: simulated bus, link thread, delegate with a fast worker.
class Chain {
public:
    explicit Chain(SimulatedModel which)
        : simulator(std::make_shared<AccessorySimulator>(which)), link(&backend),
          delegate(model, AccessoryCommunicationDelegate::Options{std::chrono::milliseconds(2), true})
    {
        simulator->setFrameInterval(5ms);
        backend.attach(simulator);
        using namespace std::placeholders;
        // The delegate's own handlers, counted on the way.
        link.setDeviceCallbacks(
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d) { return delegate.shouldConnect(l, d); },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d) {
                ++connects;
                delegate.connected(l, d);
            },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d, int r) {
                ++openFailures;
                delegate.openFailed(l, d, r);
            },
            [this](AccessoryCommunication* l, TamrelAccessoryDevice* d, int r) {
                ++disconnects;
                delegate.disconnected(l, d, r);
            });
        link.setDataCallbacks(std::bind(&AccessoryCommunicationDelegate::dataReceived, &delegate, _1, _2, _3, _4),
                              {});
    }
    ~Chain()
    {
        link.stop();
        delegate.stop();
    }

    std::size_t sweeps(int band)
    {
        ModelLock lock(model, kDataLock);
        return model.bandStore(band).history.size();
    }

    DataModel model;
    std::shared_ptr<AccessorySimulator> simulator;
    SimulatedUsbBackend backend;
    AccessoryCommunication link;
    AccessoryCommunicationDelegate delegate;
    std::atomic<int> connects{0};
    std::atomic<int> disconnects{0};
    std::atomic<int> openFailures{0};
};

TEST(LinkThread, SimulatedAccessoryFillsTheHistoryForEveryModel)
{
    for (SimulatedModel which : {SimulatedModel::kNolvo, SimulatedModel::kNolvo2, SimulatedModel::kNolvo25}) {
        Chain chain(which);
        if (which == SimulatedModel::kNolvo25) {
            chain.model.spectrum.band = 1; // 5 GHz
        }
        ASSERT_TRUE(chain.link.start());
        const int band = which == SimulatedModel::kNolvo25 ? kBand5 : kBand24;
        ASSERT_TRUE(eventually([&] { return chain.sweeps(band) >= 5; })) << static_cast<int>(which);
        EXPECT_TRUE(chain.delegate.identified());
        EXPECT_EQ(chain.connects.load(), 1);
        EXPECT_GE(chain.simulator->commandCount(3), 1); // identify
        EXPECT_GE(chain.simulator->commandCount(2), 1); // settings
        EXPECT_GE(chain.simulator->commandCount(5), 1); // start
        ModelLock lock(chain.model, kDataLock);
        const BandStore& store = chain.model.bandStore(band);
        const int bins = which == SimulatedModel::kNolvo ? 100 : (band == kBand5 ? 512 : 256);
        EXPECT_EQ(store.binCount, bins);
        // Every value lies between the accessory's floor and its largest amplitude.
        const AccessoryInfo& info = chain.model.deviceInfo;
        const float low = band == kBand5 ? info.min5 : info.min24;
        const float high = band == kBand5 ? info.max5 : info.max24;
        for (int i = 0; i < bins; ++i) {
            ASSERT_GE(store.history.newest()[i], low);
            ASSERT_LE(store.history.newest()[i], high);
        }
    }
}

TEST(LinkThread, LostAcknowledgementIsRepeated)
{
    Chain chain(SimulatedModel::kNolvo2);
    chain.simulator->loseSettingsCommands(1);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 1; }));
    EXPECT_EQ(chain.simulator->commandCount(2), 2);
}

TEST(LinkThread, UnplugDuringReadGivesOneDisconnectAndReplugResumes)
{
    Chain chain(SimulatedModel::kNolvo2);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 2; }));
    const int identifies = chain.simulator->commandCount(3);

    chain.simulator->unplug();
    ASSERT_TRUE(eventually([&] { return !chain.model.accessoryConnected.load(); }));
    std::this_thread::sleep_for(50ms); // many scan passes without the accessory
    EXPECT_EQ(chain.disconnects.load(), 1);
    EXPECT_EQ(chain.connects.load(), 1);

    const std::size_t before = chain.sweeps(kBand24);
    chain.simulator->plug();
    ASSERT_TRUE(eventually([&] { return chain.connects.load() == 2 && chain.sweeps(kBand24) > before + 1; }));
    EXPECT_GT(chain.simulator->commandCount(3), identifies); // identified again from the start
    EXPECT_EQ(chain.disconnects.load(), 1);
}

TEST(LinkThread, GarbageInTheStreamIsSkipped)
{
    Chain chain(SimulatedModel::kNolvo);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 2; }));
    // Junk, a cut-off frame and a header of a frame type this model never completes.
    chain.simulator->injectGarbage({0x00, 0xFF, 0xAA, 0xA0, 0x10, 0x20, 0xAA, 0xE0, 0x05, 0x13});
    const std::size_t before = chain.sweeps(kBand24);
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= before + 5; }));
    EXPECT_EQ(chain.disconnects.load(), 0);
    EXPECT_LE(chain.delegate.linkState(), AccessoryCommunicationDelegate::kStreamingScanDone);
}

TEST(LinkThread, ReadErrorEndsTheConnection)
{
    Chain chain(SimulatedModel::kNolvo25);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 1; }));
    chain.simulator->failNextRead();
    ASSERT_TRUE(eventually([&] { return chain.disconnects.load() == 1; }));
    // Still plugged in: the next scan connects again.
    ASSERT_TRUE(eventually([&] { return chain.connects.load() == 2 && chain.delegate.identified(); }));
}

TEST(LinkThread, StopReleasesTheAccessory)
{
    Chain chain(SimulatedModel::kNolvo2);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 1; }));
    chain.link.stop();
    EXPECT_FALSE(chain.link.running());
    EXPECT_EQ(chain.disconnects.load(), 1);
    EXPECT_FALSE(chain.model.accessoryConnected.load());
    const auto& counters = chain.backend.counters();
    EXPECT_EQ(counters.liveHandles.load(), 0); // every enumerated device released, none twice
    EXPECT_EQ(counters.opens.load(), counters.closes.load());
    chain.delegate.stop();
    chain.delegate.stop(); // a second stop is harmless
}

TEST(LinkThread, SuspendReleasesAndResumeReconnects)
{
    Chain chain(SimulatedModel::kNolvo2);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.sweeps(kBand24) >= 1; }));
    chain.link.suspended = true;
    ASSERT_TRUE(eventually([&] { return chain.disconnects.load() == 1; }));
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(chain.connects.load(), 1); // no reconnection while suspended
    EXPECT_EQ(chain.backend.counters().liveHandles.load(), 0);
    chain.link.suspended = false;
    ASSERT_TRUE(eventually([&] { return chain.connects.load() == 2; }));
}

TEST(LinkThread, BackgroundRefusesTheAccessory)
{
    Chain chain(SimulatedModel::kNolvo2);
    chain.model.inBackground = true;
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.backend.listCalls() > 5; }));
    EXPECT_EQ(chain.connects.load(), 0);
    chain.model.inBackground = false;
    ASSERT_TRUE(eventually([&] { return chain.connects.load() == 1; }));
}

TEST(LinkThread, PermissionProblemIsReportedOnce)
{
    struct CountingSink : LogSink {
        std::atomic<int> lines{0};
        void logLine(int, const std::string&) override { ++lines; }
    } sink;
    Chain chain(SimulatedModel::kNolvo2);
    chain.model.setLogSink(&sink);
    chain.backend.detachAll();
    chain.backend.attach(chain.simulator, SimulatedUsbBackend::accessoryDescriptor(), kUsbErrorAccess);
    ASSERT_TRUE(chain.link.start());
    ASSERT_TRUE(eventually([&] { return chain.openFailures.load() > 10; }));
    chain.link.stop();
    EXPECT_TRUE(chain.delegate.permissionProblemReported());
    EXPECT_EQ(sink.lines.load(), 1);
    EXPECT_EQ(chain.connects.load(), 0);
    chain.model.setLogSink(nullptr);
}

TEST(LinkThread, SecondAccessoryIsUsedWhenTheFirstFailsToOpen)
{
    SimulatedUsbBackend backend;
    auto broken = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo2, 1);
    auto good = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo2, 2);
    UsbDeviceDescriptor keyboard;
    keyboard.idVendor = 0x046D;
    keyboard.idProduct = 0xC31C;
    backend.attachOther(keyboard);
    backend.attach(broken, SimulatedUsbBackend::accessoryDescriptor(5), kUsbErrorIo);
    backend.attach(good, SimulatedUsbBackend::accessoryDescriptor(6));
    AccessoryCommunication link(&backend);
    std::atomic<int> failures{0};
    std::atomic<int> connectedAddress{0};
    std::atomic<int> keyboardAsked{0};
    link.setDeviceCallbacks(
        [&](AccessoryCommunication*, TamrelAccessoryDevice* d) {
            keyboardAsked += d->isAccessory() ? 0 : 1;
            return d->isAccessory();
        },
        [&](AccessoryCommunication*, TamrelAccessoryDevice* d) { connectedAddress = d->descriptor().address; },
        [&](AccessoryCommunication*, TamrelAccessoryDevice*, int result) {
            EXPECT_EQ(result, -1);
            ++failures;
        },
        {});
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return connectedAddress.load() != 0; }));
    link.stop();
    EXPECT_EQ(connectedAddress.load(), 6);
    EXPECT_EQ(failures.load(), 1);
    EXPECT_GE(keyboardAsked.load(), 1);
    EXPECT_EQ(backend.counters().liveHandles.load(), 0);
}

// The link alone, with a recorder in place of the delegate.
class BareLink : public ::testing::Test {
protected:
    void SetUp() override
    {
        simulator = std::make_shared<AccessorySimulator>(SimulatedModel::kNolvo2);
        backend.attach(simulator);
        link.setDeviceCallbacks([](AccessoryCommunication*, TamrelAccessoryDevice*) { return true; },
                                [this](AccessoryCommunication*, TamrelAccessoryDevice*) { ++connects; }, {}, {});
        link.setDataCallbacks([this](AccessoryCommunication*, TamrelAccessoryDevice*, unsigned char*,
                                     unsigned count) { received += static_cast<int>(count); },
                              [this](AccessoryCommunication*, TamrelAccessoryDevice*, std::uint32_t tag, int status) {
                                  lastTag = static_cast<int>(tag);
                                  lastStatus = status;
                                  ++completions;
                              });
    }
    void TearDown() override { link.stop(); }

    std::shared_ptr<AccessorySimulator> simulator;
    SimulatedUsbBackend backend;
    AccessoryCommunication link{&backend};
    std::atomic<int> connects{0};
    std::atomic<int> received{0};
    std::atomic<int> completions{0};
    std::atomic<int> lastTag{0};
    std::atomic<int> lastStatus{1};
};

TEST_F(BareLink, SendRefusesNullAndEmptyCommands)
{
    unsigned char* data = copyOf({0xAA, 0x03, 0x03});
    EXPECT_FALSE(link.send(nullptr, 3, 1));
    EXPECT_FALSE(link.send(data, 0, 1));
    EXPECT_EQ(link.queuedCommands(), 0u);
    std::free(data);
}

TEST_F(BareLink, CommandsQueuedBeforeConnectionGoOutAfterIt)
{
    ASSERT_TRUE(link.send(copyOf({0xAA, 0x03, 0x03}), 3, 7));
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return completions.load() == 1; }));
    EXPECT_EQ(lastTag.load(), 7);
    EXPECT_EQ(lastStatus.load(), 0);
    // The identification frame came back.
    ASSERT_TRUE(eventually([&] { return received.load() >= 60; }));
}

TEST_F(BareLink, WriteFailureDropsTheCommand)
{
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return connects.load() == 1; }));
    simulator->failNextWrite();
    ASSERT_TRUE(link.send(copyOf({0xAA, 0x03, 0x05}), 3, 4));
    ASSERT_TRUE(eventually([&] { return completions.load() == 1; }));
    EXPECT_EQ(lastStatus.load(), -1);
    EXPECT_EQ(link.queuedCommands(), 0u); // dropped, not retried
    EXPECT_EQ(simulator->commandCount(5), 0);
    ASSERT_TRUE(link.send(copyOf({0xAA, 0x03, 0x05}), 3, 5));
    ASSERT_TRUE(eventually([&] { return completions.load() == 2; }));
    EXPECT_EQ(lastStatus.load(), 0);
    EXPECT_EQ(simulator->commandCount(5), 1);
}

TEST_F(BareLink, StalledWriteIsDroppedAndLongCommandGoesOutInPieces)
{
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return connects.load() == 1; }));
    simulator->setStalled(true);
    ASSERT_TRUE(link.send(copyOf({0xAA, 0x03, 0x06}), 3, 1));
    ASSERT_TRUE(eventually([&] { return completions.load() == 1; }));
    EXPECT_EQ(lastStatus.load(), -1);
    simulator->setStalled(false);

    simulator->setMaxWriteChunk(3);
    unsigned char* settings = static_cast<unsigned char*>(std::malloc(20));
    std::memset(settings, 0, 20);
    const unsigned char header[] = {0xAA, 0x14, 0x02, 0x53};
    std::memcpy(settings, header, sizeof header);
    ASSERT_TRUE(link.send(settings, 20, 2));
    ASSERT_TRUE(eventually([&] { return completions.load() == 2; }));
    EXPECT_EQ(lastStatus.load(), 0);
    ASSERT_EQ(simulator->commandCount(2), 1);
    EXPECT_EQ(simulator->commands().back().size(), 20u);
}

TEST_F(BareLink, ListingFailureKeepsScanning)
{
    backend.setListingFails(true);
    ASSERT_TRUE(link.start());
    ASSERT_TRUE(eventually([&] { return backend.listCalls() > 3; }));
    EXPECT_EQ(connects.load(), 0);
    backend.setListingFails(false);
    ASSERT_TRUE(eventually([&] { return connects.load() == 1; }));
}

} // namespace
} // namespace nolvo
