#include <fstream>

#include <gtest/gtest.h>

#include "model/VendorRegistry.h"
#include "support/TempDir.h"

namespace nolvo::testing {
namespace {

// The registry's own layout: CRLF lines, a "(hex)" line and a "(base 16)" line per assignment.
constexpr const char* kRegistry =
    "OUI/MA-L                                                    Organization                                 \r\n"
    "company_id                                                  Organization                                 \r\n"
    "\r\n"
    "00-22-72   (hex)\t\tAmerican Micro-Fuel Device Corp.\r\n"
    "002272     (base 16)\t\tAmerican Micro-Fuel Device Corp.\r\n"
    "\t\t\t\t2181 Buchanan Loop\r\n"
    "\r\n"
    "a4-5e-60   (hex)\t\tLowercase Digits Inc.\r\n"
    "ZZ-00-00   (hex)\t\tNot A Prefix\r\n"
    "00-00-0C   (hex)\t\t\r\n";

TEST(VendorRegistryTest, LooksUpKnownUnknownAndLocallyAdministeredAddresses)
{
    nolvo::test::TempDir dir;
    std::ofstream(dir.file("oui.txt"), std::ios::binary) << kRegistry;
    VendorRegistry registry(dir.file("oui.txt"));
    registry.waitUntilLoaded();

    struct Case {
        Bssid bssid;
        VendorRegistry::Status status;
        const char* text;
    } cases[] = {
        {{0x00, 0x22, 0x72, 0x01, 0x02, 0x03}, VendorRegistry::Status::Found, "American Micro-Fuel Device Corp."},
        {{0xA4, 0x5E, 0x60, 0, 0, 0}, VendorRegistry::Status::Found, "Lowercase Digits Inc."},
        {{0x00, 0x00, 0x0C, 0, 0, 0}, VendorRegistry::Status::Unknown, "unknown vendor"}, // empty name
        {{0x00, 0x22, 0x73, 0, 0, 0}, VendorRegistry::Status::Unknown, "unknown vendor"},
        // Bit 1 of the first byte: a randomised address, even where the prefix would match.
        {{0x02, 0x22, 0x72, 0, 0, 0}, VendorRegistry::Status::LocallyAdministered, "locally administered"},
        {{0xDA, 0xA1, 0x19, 0, 0, 0}, VendorRegistry::Status::LocallyAdministered, "locally administered"},
    };
    for (const Case& c : cases) {
        const VendorRegistry::Result result = registry.lookup(c.bssid);
        EXPECT_EQ(result.status, c.status) << c.text;
        EXPECT_EQ(VendorRegistry::describe(result), c.text);
    }
}

TEST(VendorRegistryTest, AMissingRegistrySaysSoWithoutBlocking)
{
    nolvo::test::TempDir dir;
    VendorRegistry registry(dir.file("absent.txt"));
    const Bssid universal = {0x00, 0x22, 0x72, 0, 0, 0};
    const VendorRegistry::Status first = registry.lookup(universal).status;
    EXPECT_TRUE(first == VendorRegistry::Status::Loading || first == VendorRegistry::Status::RegistryMissing);
    registry.waitUntilLoaded();
    EXPECT_EQ(VendorRegistry::describe(registry.lookup(universal)), "vendor registry missing");
    EXPECT_EQ(registry.lookup({0x06, 0, 0, 0, 0, 0}).status, VendorRegistry::Status::LocallyAdministered);
}

TEST(VendorRegistryTest, TheInstalledRegistryParses)
{
    VendorRegistry registry;
    registry.waitUntilLoaded();
    const VendorRegistry::Result result = registry.lookup({0x00, 0x00, 0x0C, 0, 0, 0});
    if (result.status == VendorRegistry::Status::RegistryMissing) {
        GTEST_SKIP() << "ieee-data is not installed";
    }
    EXPECT_EQ(result.status, VendorRegistry::Status::Found); // a long-standing assignment
}

} // namespace
} // namespace nolvo::testing
