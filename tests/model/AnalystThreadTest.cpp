// The analyst tools' model side across threads (also run under ThreadSanitizer): the vendor
// registry looked up from several threads while its loader thread reads the file, and the signal
// history recorded by scans on one thread while another copies it under the list lock.

#include <atomic>
#include <fstream>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/VendorRegistry.h"
#include "platform/Clock.h"
#include "support/TempDir.h"

namespace nolvo::test {
namespace {

TEST(AnalystThreads, LookupsDuringTheLoadNeverSeeAHalfReadRegistry)
{
    TempDir dir;
    {
        std::ofstream out(dir.file("oui.txt"), std::ios::binary);
        for (int i = 0; i < 20000; ++i) { // big enough that lookups overlap the load
            char line[64];
            std::snprintf(line, sizeof line, "%02X-%02X-%02X   (hex)\t\tVendor %d\r\n", (i >> 16) & 0xFC, (i >> 8) & 0xFF,
                          i & 0xFF, i);
            out << line;
        }
    }
    VendorRegistry registry(dir.file("oui.txt"));
    const Bssid known = {0x00, 0x01, 0x02, 0, 0, 0}; // written as entry 0x0102
    std::atomic<int> found{0};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 20000; ++i) {
                const VendorRegistry::Result r = registry.lookup(known);
                if (r.status == VendorRegistry::Status::Found) {
                    ASSERT_EQ(r.name, "Vendor 258");
                    found.fetch_add(1);
                    return;
                }
                ASSERT_EQ(r.status, VendorRegistry::Status::Loading);
                std::this_thread::yield();
            }
        });
    }
    for (std::thread& t : readers) t.join();
    registry.waitUntilLoaded();
    EXPECT_EQ(registry.lookup(known).status, VendorRegistry::Status::Found);
}

TEST(AnalystThreads, ScansRecordTheHistoryWhileTheRenderThreadCopiesIt)
{
    DataModel model;
    std::atomic<bool> done{false};
    std::thread link([&] {
        for (int scan = 0; scan < 300; ++scan) {
            AccessPointBatch batch;
            for (std::uint8_t id = 1; id <= 20; ++id) {
                auto ap = std::make_unique<AccessPoint>();
                ap->bssid = {0x02, 0, 0, 0, 0, id};
                ap->channel = static_cast<std::uint16_t>(1 + id % 13);
                ap->rssi = -40.0f - static_cast<float>((scan + id) % 50);
                batch.push_back(std::move(ap));
            }
            model.storeAccessPointScan(batch);
        }
        done = true;
    });
    std::size_t copies = 0;
    while (!done.load()) {
        ModelLock lock(model, kAccessPointLock);
        const auto series = model.signalHistory.copySeries(AccessPointFilter(), engine::clock::steadyMs());
        for (const auto& s : series) {
            ASSERT_FALSE(s.points.empty());
            ASSERT_LE(s.points.size(), SignalHistory::kSamplesPerTrack);
        }
        ++copies;
    }
    link.join();
    ModelLock lock(model, kAccessPointLock);
    EXPECT_EQ(model.signalHistory.trackCount(), 20u);
    EXPECT_GT(copies, 0u);
}

} // namespace
} // namespace nolvo::test
