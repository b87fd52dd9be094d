// Stream recordings: what recording costs per read on the link thread, and how fast a long
// recording converts to CSV.
//
// BM_RecordOneRead: LinkRecorder::received for one read of a dual-band 5 GHz sweep (516 bytes) to
// a file in /tmp. The link thread makes at most one read per pass of 1 ms, so 1000 reads per
// second bound the recording's share of the link thread from above: cost per read x 1000 / 1 s.
//
// BM_ConvertTenMinutes: ReplayConversion (what nolvo-log --replay-file runs) over a synthetic
// 10-minute dual-band recording: a 2.4 GHz sweep every 50 ms and a 5 GHz sweep every 1.25 s.
// Set NOLVO_WRITE_RECORDING=FILE to also write that recording to FILE (for timing nolvo-log itself,
// see replay-file-speed.sh).
//
// BM_OpenTinyChunks: Recording::open of a file of a million one-byte reads (21 MB, the most chunks
// per byte a file can hold) from /tmp; counters give the chunk index's size against the file's.
// BM_ChunkAtTinyChunks: one look-up by index and one by time in that recording.
// BM_ConvertYearOfSilence: ReplayConversion of 40 sweeps, a year without reads, 40 more sweeps; the
// converter's clock crosses the silence in one step.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "ReplayConversion.h"
#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/sim/AccessorySimulator.h"
#include "model/DataModel.h"
#include "platform/FileUtils.h"

namespace {

using namespace nolvo;
using Bytes = std::vector<std::uint8_t>;

Bytes tenMinuteRecording()
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 3);
    DataModel defaults;
    Bytes file = recording::encodeHeader(LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "bench"));
    const std::uint64_t end = 600ull * 1000000;
    for (std::uint64_t t = 50000; t <= end; t += 50000) {
        Bytes read = simulator.sweepFrames(0);
        if (t % 1250000 == 0) {
            const Bytes five = simulator.sweepFrames(1);
            read.insert(read.end(), five.begin(), five.end());
        }
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, read.data(), read.size());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    if (const char* path = std::getenv("NOLVO_WRITE_RECORDING")) {
        std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    }
    return file;
}

void BM_RecordOneRead(benchmark::State& state)
{
    const std::string dir = std::filesystem::temp_directory_path() / "nolvo-record-bench";
    std::filesystem::create_directories(dir);
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25);
    DataModel model;
    LinkRecorder recorder;
    std::string error;
    if (!recorder.start(dir, LinkRecorder::headerFor(model, simulator.identificationFrame(), "bench"), error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    const Bytes read = simulator.sweepFrames(1);
    for (auto _ : state) {
        recorder.received(read.data(), static_cast<unsigned>(read.size()));
    }
    std::filesystem::remove(recorder.stop());
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * read.size()));
    state.counters["read_bytes"] = static_cast<double>(read.size());
}
BENCHMARK(BM_RecordOneRead);

void BM_ConvertTenMinutes(benchmark::State& state)
{
    std::string error;
    const auto recording = Recording::parse(tenMinuteRecording(), "ten-minutes.nolrec", error);
    if (!recording) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string dir = std::filesystem::temp_directory_path() / "nolvo-convert-bench";
    std::filesystem::create_directories(dir);
    engine::FileUtils::getInstance()->setWritablePath(dir);
    for (auto _ : state) {
        DataModel model;
        const ReplayConversion result = ReplayConversion::run(recording, model);
        std::filesystem::remove(result.csvPath);
        state.counters["rows"] = static_cast<double>(result.rows);
    }
    state.counters["recording_MB"] = static_cast<double>(recording->payloadBytes()) / 1e6;
}
BENCHMARK(BM_ConvertTenMinutes)->Unit(benchmark::kMillisecond)->Iterations(3);

constexpr std::uint64_t kTinyChunks = 1000000;

std::string tinyChunkFile()
{
    const std::string path = std::filesystem::temp_directory_path() / "nolvo-tiny-chunks.nolrec";
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 3);
    DataModel defaults;
    Bytes file = recording::encodeHeader(LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "bench"));
    for (std::uint64_t i = 0; i < kTinyChunks; ++i) {
        const std::uint8_t byte = static_cast<std::uint8_t>(i);
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, i * 10, &byte, 1);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(file.data()), static_cast<long>(file.size()));
    return path;
}

void BM_OpenTinyChunks(benchmark::State& state)
{
    const std::string path = tinyChunkFile();
    std::string error;
    std::size_t indexBytes = 0;
    for (auto _ : state) {
        const auto recording = Recording::open(path, error);
        if (!recording) {
            state.SkipWithError(error.c_str());
            break;
        }
        indexBytes = recording->indexBytes();
    }
    const auto fileBytes = static_cast<double>(std::filesystem::file_size(path));
    state.counters["file_MB"] = fileBytes / 1e6;
    state.counters["index_kB"] = static_cast<double>(indexBytes) / 1e3;
    state.counters["index_per_file_byte"] = static_cast<double>(indexBytes) / fileBytes;
    std::filesystem::remove(path);
}
BENCHMARK(BM_OpenTinyChunks)->Unit(benchmark::kMillisecond);

void BM_ChunkAtTinyChunks(benchmark::State& state)
{
    const std::string path = tinyChunkFile();
    std::string error;
    const auto recording = Recording::open(path, error);
    std::filesystem::remove(path);
    if (!recording) {
        state.SkipWithError(error.c_str());
        return;
    }
    std::uint64_t i = 0;
    for (auto _ : state) {
        i = (i * 6364136223846793005ull + 1442695040888963407ull);
        const std::size_t index = static_cast<std::size_t>((i >> 33) % kTinyChunks);
        benchmark::DoNotOptimize(recording->chunk(index));
        benchmark::DoNotOptimize(recording->firstChunkAtOrAfter(index * 10));
    }
}
BENCHMARK(BM_ChunkAtTinyChunks);

void BM_ConvertYearOfSilence(benchmark::State& state)
{
    sim::AccessorySimulator simulator(sim::SimulatedModel::kNolvo25, 3);
    DataModel defaults;
    Bytes file = recording::encodeHeader(LinkRecorder::headerFor(defaults, simulator.identificationFrame(), "bench"));
    for (std::uint64_t from : {0ull, 365ull * 24 * 3600 * 1000000}) {
        for (std::uint64_t t = from; t < from + 40 * 50000; t += 50000) {
            const Bytes sweep = simulator.sweepFrames(0);
            const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, sweep.data(), sweep.size());
            file.insert(file.end(), chunk.begin(), chunk.end());
        }
    }
    std::string error;
    const auto recording = Recording::parse(file, "year.nolrec", error);
    if (!recording) {
        state.SkipWithError(error.c_str());
        return;
    }
    const std::string dir = std::filesystem::temp_directory_path() / "nolvo-convert-bench";
    std::filesystem::create_directories(dir);
    engine::FileUtils::getInstance()->setWritablePath(dir);
    for (auto _ : state) {
        DataModel model;
        const ReplayConversion result = ReplayConversion::run(recording, model);
        std::filesystem::remove(result.csvPath);
        state.counters["rows"] = static_cast<double>(result.rows);
    }
}
BENCHMARK(BM_ConvertYearOfSilence)->Unit(benchmark::kMillisecond);

} // namespace
