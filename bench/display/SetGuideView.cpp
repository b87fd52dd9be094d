// Bench and screenshot helper: writes the working configuration with the access-point overlay and
// the channel guide switched on, so that the program starts showing both:
//   set_guide_view <band 0|1> [2.4 GHz plan, default 3] [5 GHz plan, default 8] [displayMode 0|1]
// It uses the store of $XDG_CONFIG_HOME like the program itself.

#include <cstdio>
#include <cstdlib>

#include "model/DataModel.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <band 0|1> [plan24] [plan5] [displayMode]\n", argv[0]);
        return 2;
    }
    nolvo::DataModel model;
    model.loadConfiguration(0);
    model.spectrum.band = std::atoi(argv[1]) == 1 ? 1 : 0;
    model.spectrum.channelGuide24 = argc > 2 ? std::atoi(argv[2]) : 3;
    model.spectrum.channelGuide5 = argc > 3 ? std::atoi(argv[3]) : 8;
    model.spectrum.displayMode = static_cast<std::uint8_t>(argc > 4 && std::atoi(argv[4]) == 1 ? 1 : 0);
    model.spectrum.ssidOverlay = 1;
    model.spectrum.channelGuideOption = 1;
    model.saveConfiguration(0);
    return 0;
}
