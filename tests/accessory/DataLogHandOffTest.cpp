// Sweeps reach the CSV data log through the parser, and a disconnection closes the log.
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

#include "fakes/AccessoryRig.h"
#include "model/DataLogFile.h"
#include "model/DataLogger.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using sim::SimulatedModel;
using testing::ParserRig;

class DataLogHandOff : public test::IsolatedStoreTest {};

std::string contents(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST_F(DataLogHandOff, SweepsAreLoggedAndDisconnectClosesTheLog)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    DataLogFile file;
    DataLogger logger(rig.model, file);
    rig.delegate.setDataLogger(&logger);
    rig.bringUp();
    rig.model.dataLogState = kLogStartRequested;
    rig.feed(testing::wideSpectrum(0, 100));
    rig.feed(testing::wideSpectrum(0, 101));
    logger.waitForWrites(); // the rows go to the file on the logger's writer thread
    ASSERT_TRUE(file.isOpen());
    EXPECT_EQ(rig.model.dataLogState.load(), kLogging);
    const std::string path = file.path();

    rig.delegate.disconnected(&rig.link, &rig.device, 0);
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(rig.model.dataLogState.load(), kLogOff);
    // Both sweeps are rows after the frequency line; their first cells are sample 100 (−70 dBm)
    // and sample 101 (−69.5 dBm).
    std::istringstream lines(contents(path));
    std::vector<std::string> rows;
    bool afterFrequencies = false;
    for (std::string line; std::getline(lines, line);) {
        if (afterFrequencies && !line.empty()) {
            rows.push_back(line.substr(line.find(',') + 1, 17));
        }
        afterFrequencies = afterFrequencies || line.rfind("Freq (MHz):", 0) == 0;
    }
    EXPECT_EQ(rows, (std::vector<std::string>{"-70.0000,-69.5000", "-69.5000,-69.0000"}));
}

TEST_F(DataLogHandOff, WithoutAStartRequestNothingIsWritten)
{
    ParserRig rig(SimulatedModel::kNolvo2);
    DataLogFile file;
    DataLogger logger(rig.model, file);
    rig.delegate.setDataLogger(&logger);
    rig.bringUp();
    rig.feed(testing::wideSpectrum(0, 100));
    logger.waitForWrites();
    EXPECT_FALSE(file.isOpen());
    EXPECT_EQ(rig.sweeps(kBand24), 1u);
}

} // namespace
} // namespace nolvo
