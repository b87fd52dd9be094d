// Writes the demo recordings: for each accessory model its identification frame, a settings
// acknowledgement, the spectrum (and power) frames of every demo scene and the access-point scans
// that go with the Wi-Fi scene, as the simulated accessory would send them. The output is deterministic, so the committed files can be
// regenerated and reviewed.
//
//   nolvo-recording-generator OUTPUT_DIR     (normally res/packets)
//
// Sizes: each file holds a short loop (tens of kilobytes) whose slow drifts are periodic in the
// loop length, so playback wraps without a visible seam.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "accessory/sim/AccessorySimulator.h"
#include "accessory/sim/DemoScene.h"
#include "accessory/sim/SimulatedAccessPoints.h"

namespace {

using nolvo::sim::AccessorySimulator;
using nolvo::sim::DemoScene;
using nolvo::sim::SimulatedModel;
using Bytes = std::vector<std::uint8_t>;

struct ModelPlan {
    SimulatedModel model;
    const char* folder; // under the output directory
    const char* prefix; // file name prefix
    int sweeps24;       // sweeps per 2.4 GHz loop
    int sweeps5;        // sweeps per 5 GHz loop (0: no 5 GHz band)
    int traces;         // power traces per loop (0: no power mode)
    double samplePeriod; // seconds between power samples at the demo's preset time base
    int scans;           // access-point scans in "ssid.bin" (0: the model does not scan)
};

// The demo presets the power time base: 4 µs/div on the first generation (240 samples over
// 10 divisions), 10 µs/div on the second (1000 samples).
const ModelPlan kPlans[] = {
    {SimulatedModel::kNolvo, "Nolvo", "Nolvo_", 200, 0, 60, 40.0e-6 / 240, 0},
    {SimulatedModel::kNolvo2, "Nolvo2", "Nolvo2_", 150, 0, 50, 100.0e-6 / 1000, 8},
    {SimulatedModel::kNolvo25, "Nolvo5x", "Nolvo5x_", 120, 40, 0, 0.0, 8},
};

struct ScenePlan {
    DemoScene::Kind kind;
    const char* name;
};

const ScenePlan kScenes[] = {
    {DemoScene::Kind::kNone, "None"},
    {DemoScene::Kind::kWifi, "Wifi"},
    {DemoScene::Kind::kDect, "Dect"},
    {DemoScene::Kind::kDsss, "Dsss"},
};

bool writeFile(const std::filesystem::path& path, const Bytes& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", path.c_str());
        return false;
    }
    std::printf("%8zu  %s\n", bytes.size(), path.c_str());
    return true;
}

Bytes spectrumLoop(AccessorySimulator& simulator, int band, DemoScene::Kind kind, int sweeps, std::uint32_t seed)
{
    DemoScene scene(kind, band == 1, seed);
    std::vector<double> frequencies;
    for (int k = 0; k < simulator.binCount(band); ++k) {
        frequencies.push_back(simulator.binFrequencyMhz(band, k));
    }
    Bytes out;
    for (int i = 0; i < sweeps; ++i) {
        const Bytes frames = simulator.spectrumFramesFor(band, scene.sweep(frequencies, i, sweeps));
        out.insert(out.end(), frames.begin(), frames.end());
    }
    return out;
}

Bytes powerLoop(AccessorySimulator& simulator, DemoScene::Kind kind, int traces, double samplePeriod,
                std::uint32_t seed)
{
    DemoScene scene(kind, false, seed);
    Bytes out;
    for (int i = 0; i < traces; ++i) {
        bool triggered = false;
        const std::vector<double> trace = scene.powerTrace(simulator.powerSamplesPerTrace(), samplePeriod, triggered);
        const Bytes frames = simulator.powerFramesFor(trace, triggered);
        out.insert(out.end(), frames.begin(), frames.end());
    }
    return out;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT_DIR   (writes OUTPUT_DIR/Nolvo, Nolvo2, Nolvo5x)\n", argv[0]);
        return 2;
    }
    const std::filesystem::path root = argv[1];
    bool ok = true;
    std::uint32_t seed = 1;
    for (const ModelPlan& plan : kPlans) {
        AccessorySimulator simulator(plan.model, 1);
        const std::filesystem::path dir = root / plan.folder;
        std::error_code ec;
        std::filesystem::create_directories(dir, ec);
        const std::string prefix = plan.prefix;
        ok = writeFile(dir / (prefix + "discover.bin"), simulator.identificationFrame()) && ok;
        // The acknowledgement of the first settings command (sequence 1).
        ok = writeFile(dir / (prefix + "settings.bin"), Bytes{0xAA, 0x40, 0x01}) && ok;
        if (plan.scans > 0) {
            // The scans of the access points that the Wi-Fi scene's spectrum shows.
            nolvo::sim::SimulatedAccessPoints accessPoints(DemoScene::kAccessPointSeed);
            Bytes scans;
            for (int i = 0; i < plan.scans; ++i) {
                const Bytes frames = accessPoints.nextScan(plan.model == SimulatedModel::kNolvo25);
                scans.insert(scans.end(), frames.begin(), frames.end());
            }
            ok = writeFile(dir / (prefix + "ssid.bin"), scans) && ok;
        }
        for (const ScenePlan& scene : kScenes) {
            ++seed;
            ok = writeFile(dir / (prefix + "spectrum" + scene.name + ".bin"),
                           spectrumLoop(simulator, 0, scene.kind, plan.sweeps24, seed)) &&
                 ok;
            if (plan.sweeps5 > 0) {
                ok = writeFile(dir / (prefix + "spectrum5GHz" + scene.name + ".bin"),
                               spectrumLoop(simulator, 1, scene.kind, plan.sweeps5, seed + 1000)) &&
                     ok;
            }
            if (plan.traces > 0) {
                ok = writeFile(dir / (prefix + "power" + scene.name + ".bin"),
                               powerLoop(simulator, scene.kind, plan.traces, plan.samplePeriod, seed + 2000)) &&
                     ok;
            }
        }
    }
    return ok ? 0 : 1;
}
