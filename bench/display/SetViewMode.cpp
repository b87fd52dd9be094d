// Bench helper: writes the working configuration with a chosen spectrum view, so that a
// measurement can start the program straight in that view:
//   set_spectrum_view [--overlay 0|1] <displayMode 0|1> [trace selection 1] [2] [3]
// It uses the store of $XDG_CONFIG_HOME like the program itself.

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "model/DataModel.h"

int main(int argc, char** argv)
{
    int overlay = -1; // unchanged
    int first = 1;
    if (argc > 2 && std::strcmp(argv[1], "--overlay") == 0) {
        overlay = std::atoi(argv[2]) != 0 ? 1 : 0;
        first = 3;
    }
    if (argc <= first) {
        std::fprintf(stderr, "usage: %s [--overlay 0|1] <displayMode 0|1> [trace selections...]\n", argv[0]);
        return 2;
    }
    nolvo::DataModel model;
    model.loadConfiguration(0);
    model.spectrum.displayMode = static_cast<std::uint8_t>(std::atoi(argv[first]) == 1 ? 1 : 0);
    for (int i = 0; i < 3 && first + 1 + i < argc; ++i) {
        model.spectrum.traceSelection[i] = static_cast<std::uint8_t>(std::atoi(argv[first + 1 + i]));
    }
    if (overlay >= 0) model.spectrum.ssidOverlay = static_cast<std::uint8_t>(overlay);
    model.saveConfiguration(0);
    return 0;
}
