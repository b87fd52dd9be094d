// Bench helper: writes the working configuration with a chosen spectrum view, so that a
// measurement can start the program straight in that view:
//   set_spectrum_view <displayMode 0|1> [trace selection 1] [2] [3]
// It uses the store of $XDG_CONFIG_HOME like the program itself.

#include <cstdio>
#include <cstdlib>

#include "model/DataModel.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <displayMode 0|1> [trace selections...]\n", argv[0]);
        return 2;
    }
    nolvo::DataModel model;
    model.loadConfiguration(0);
    model.spectrum.displayMode = static_cast<std::uint8_t>(std::atoi(argv[1]) == 1 ? 1 : 0);
    for (int i = 0; i < 3 && i + 2 < argc; ++i) {
        model.spectrum.traceSelection[i] = static_cast<std::uint8_t>(std::atoi(argv[i + 2]));
    }
    model.saveConfiguration(0);
    return 0;
}
