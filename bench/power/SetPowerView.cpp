// Bench helper: writes the working configuration for the power view of demo mode, so that a
// measurement can start the program straight in it:
//   set_power_view <demo hardware 0|1> [persistence seconds]
// It uses the store of $XDG_CONFIG_HOME like the program itself.

#include <cstdio>
#include <cstdlib>

#include "model/DataModel.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <demo hardware 0|1> [persistence seconds]\n", argv[0]);
        return 2;
    }
    nolvo::DataModel model;
    model.loadConfiguration(0);
    model.common.spectrumModeActive = 0;
    model.demo.hardware = static_cast<std::uint8_t>(std::atoi(argv[1]) == 0 ? 0 : 1);
    if (model.demo.scene == 0) model.demo.scene = 1;
    model.power.persistence = argc > 2 ? static_cast<float>(std::atof(argv[2])) : 2.0f;
    model.saveConfiguration(0);
    return 0;
}
