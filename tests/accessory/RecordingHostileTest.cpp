// Recordings that come from someone else: every header cut, unbelievable lengths and times,
// files that are not files, millions of tiny chunks. Each is refused with one line naming the file
// and an offset, or read with an index far smaller than the data; replay positions never wrap.
#include <gtest/gtest.h>

#include <cstdint>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <limits>
#include <sys/stat.h>
#include <unistd.h>

#include "accessory/RecordingPlayback.h"
#include "accessory/RecordingReader.h"
#include "support/TempDir.h"

namespace nolvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
using test::TempDir;
constexpr std::uint64_t kDay = 24ull * 3600 * 1000000;

recording::Header header(std::int64_t startWallMs = 1710495005123)
{
    recording::Header h;
    h.startWallMs = startWallMs;
    h.programVersion = "1";
    h.identification = {0xAA, 0x60, 0x07};
    h.commonSettings = Bytes(16, 0);
    h.spectrumSettings = Bytes(88, 0);
    h.powerSettings = Bytes(44, 0);
    return h;
}

void addChunk(Bytes& file, std::uint64_t timeUs, std::size_t size, std::uint8_t kind = 1)
{
    const Bytes payload(size, 0x5A);
    const Bytes chunk = recording::encodeChunk(static_cast<recording::ChunkKind>(kind), timeUs, payload.data(), size);
    file.insert(file.end(), chunk.begin(), chunk.end());
}

Bytes fileWithTimes(std::initializer_list<std::uint64_t> times, std::int64_t startWallMs = 1710495005123)
{
    Bytes file = recording::encodeHeader(header(startWallMs));
    for (std::uint64_t t : times) {
        addChunk(file, t, 3);
    }
    return file;
}

void writeFile(const std::string& path, const Bytes& bytes)
{
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
}

// One line that names the file and ends in " at offset <n>".
void expectRefusal(const std::string& error, const std::string& name, const std::string& what)
{
    EXPECT_EQ(error.rfind(name + ": ", 0), 0u) << what << ": " << error;
    EXPECT_NE(error.find(" at offset "), std::string::npos) << what << ": " << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << what << ": " << error;
}

TEST(HostileRecording, EveryCutInsideTheHeaderIsRefusedAtItsOffset)
{
    const Bytes whole = fileWithTimes({0, 1000});
    const std::size_t headerSize = recording::encodeHeader(header()).size();
    for (std::size_t end = 0; end < headerSize; ++end) {
        std::string error;
        EXPECT_FALSE(Recording::parse(Bytes(whole.begin(), whole.begin() + static_cast<long>(end)), "h.nolrec", error))
            << "cut at " << end;
        expectRefusal(error, "h.nolrec", "cut at " + std::to_string(end));
        if (end >= 8) {
            EXPECT_EQ(error, "h.nolrec: recording ends inside its header at offset " + std::to_string(end));
        }
    }
}

TEST(HostileRecording, TimesAndStartsOutsideTheirBoundsAreDamage)
{
    const std::size_t second = recording::encodeHeader(header()).size() + recording::kChunkHeaderSize + 3 +
                               recording::kCrcSize;
    const std::size_t startValue = recording::kPreambleSize + 6; // the start time is the first field
    constexpr std::uint64_t kMax = recording::kMaxChunkTimeUs;
    struct Case {
        const char* what;
        Bytes bytes;
        std::string message; // "" when the file is read
        std::uint64_t duration;
    };
    const std::vector<Case> cases = {
        {"a second chunk at 2^63 us", fileWithTimes({0, 1ull << 63}),
         "chunk time 9223372036854775808 us is not believable at offset " + std::to_string(second), 0},
        {"a second chunk at 2^64 - 1 us", fileWithTimes({0, ~0ull}),
         "chunk time 18446744073709551615 us is not believable at offset " + std::to_string(second), 0},
        {"one past the bound", fileWithTimes({0, kMax + 1}),
         "chunk time " + std::to_string(kMax + 1) + " us is not believable at offset " + std::to_string(second), 0},
        {"at the bound", fileWithTimes({0, kMax}), "", kMax},
        {"a year of silence", fileWithTimes({0, 365 * kDay, 365 * kDay + 1}), "", 365 * kDay + 1},
        {"backwards by one", fileWithTimes({5, 4}), "chunk time goes backwards at offset " + std::to_string(second), 0},
        {"start at INT64_MAX", fileWithTimes({0}, std::numeric_limits<std::int64_t>::max()),
         "start time 9223372036854775807 ms is not believable at offset " + std::to_string(startValue), 0},
        {"start before 1970", fileWithTimes({0}, -1),
         "start time -1 ms is not believable at offset " + std::to_string(startValue), 0},
        {"start at the end of 9999", fileWithTimes({0}, recording::kMaxStartWallMs), "", 0},
        {"start at 1970", fileWithTimes({0}, 0), "", 0},
    };
    for (const Case& c : cases) {
        std::string error;
        const auto recording = Recording::parse(c.bytes, "t.nolrec", error);
        if (c.message.empty()) {
            ASSERT_TRUE(recording) << c.what << ": " << error;
            EXPECT_EQ(recording->durationUs(), c.duration) << c.what;
        } else {
            EXPECT_FALSE(recording) << c.what;
            EXPECT_EQ(error, "t.nolrec: " + c.message) << c.what;
        }
    }
}

TEST(HostileRecording, WhatIsNotARegularFileIsRefusedWithoutReadingIt)
{
    TempDir dir;
    const std::string fifo = dir.file("pipe.nolrec");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    // A sparse 3 GiB file: a good header, then a hole where the first chunk should be.
    const std::string sparse = dir.file("sparse.nolrec");
    const Bytes head = recording::encodeHeader(header());
    writeFile(sparse, head);
    ASSERT_EQ(::truncate(sparse.c_str(), 3ll << 30), 0);
    // A sparse 3 GiB file of nothing at all.
    const std::string hole = dir.file("hole.nolrec");
    writeFile(hole, {});
    ASSERT_EQ(::truncate(hole.c_str(), 3ll << 30), 0);
    struct Case {
        std::string path;
        std::string message;
    };
    const std::vector<Case> cases = {
        {"/dev/zero", "/dev/zero: not a recording (not a regular file) at offset 0"},
        {fifo, fifo + ": not a recording (not a regular file) at offset 0"}, // no writer: must not wait
        {dir.path(), dir.path() + ": not a recording (not a regular file) at offset 0"},
        {sparse, sparse + ": chunk checksum mismatch at offset " + std::to_string(head.size())},
        {hole, hole + ": not a Nolvo recording (no \"NOLVOREC\" signature) at offset 0"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Recording::open(c.path, error)) << c.path;
        EXPECT_EQ(error, c.message);
    }
}

TEST(HostileRecording, MillionsOfTinyChunksKeepASmallIndexThatFindsEveryChunk)
{
    // A million one-byte chunks, 1 ms apart, with a run of empty and unknown chunks every 1000
    // (skipped, but walked over).
    Bytes file = recording::encodeHeader(header());
    constexpr std::size_t kChunks = 1000000;
    file.reserve(file.size() + kChunks * 21 + 2000 * 20 * 50);
    for (std::size_t i = 0; i < kChunks; ++i) {
        if (i % 1000 == 999) {
            for (int k = 0; k < 50; ++k) {
                addChunk(file, i * 1000, 0);
                addChunk(file, i * 1000, 1, 9);
            }
        }
        addChunk(file, i * 1000, 1);
    }
    const std::size_t fileSize = file.size();
    std::string error;
    const auto recording = Recording::parse(std::move(file), "tiny.nolrec", error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->chunkCount(), kChunks);
    EXPECT_EQ(recording->payloadBytes(), kChunks);
    EXPECT_EQ(recording->durationUs(), (kChunks - 1) * 1000);
    EXPECT_LT(recording->indexBytes(), fileSize / 20) << "the index must cost far less than the data";

    for (std::size_t index : {std::size_t{0}, std::size_t{1}, std::size_t{63}, std::size_t{64}, std::size_t{998},
                              std::size_t{999}, std::size_t{1000}, std::size_t{123457}, kChunks - 1}) {
        const Recording::Chunk chunk = recording->chunk(index);
        EXPECT_EQ(chunk.timeUs, index * 1000) << index;
        EXPECT_EQ(chunk.size, 1u) << index;
        EXPECT_EQ(recording->firstChunkAtOrAfter(index * 1000), index) << index;
        EXPECT_EQ(recording->firstChunkAtOrAfter(index * 1000 + 1), index + 1) << index;
        Recording::Cursor cursor = recording->cursorAt(index);
        Recording::Chunk walked;
        ASSERT_TRUE(recording->next(cursor, walked)) << index;
        EXPECT_EQ(walked.payloadOffset, chunk.payloadOffset) << index;
    }
    // The walk in order meets every chunk once.
    std::size_t count = 0;
    Recording::Cursor cursor = recording->cursorAt(0);
    for (Recording::Chunk chunk; recording->next(cursor, chunk);) {
        ASSERT_EQ(chunk.timeUs, count * 1000);
        ++count;
    }
    EXPECT_EQ(count, kChunks);
}

TEST(HostileRecording, OpenReadsInPiecesAndFindsDamageDeepInTheFile)
{
    TempDir dir;
    // Chunks of 64 KiB, several read pieces long; one CRC is broken after three pieces.
    Bytes file = recording::encodeHeader(header());
    std::size_t damaged = 0;
    for (int i = 0; i < 80; ++i) {
        if (i == 60) {
            damaged = file.size();
        }
        addChunk(file, static_cast<std::uint64_t>(i) * 1000, 64 * 1024);
    }
    Bytes broken = file;
    broken[damaged + 100] ^= 1;
    writeFile(dir.file("good.nolrec"), file);
    writeFile(dir.file("broken.nolrec"), broken);
    std::string error;
    const auto good = Recording::open(dir.file("good.nolrec"), error);
    ASSERT_TRUE(good) << error;
    EXPECT_EQ(good->chunkCount(), 80u);
    EXPECT_EQ(good->chunk(79).timeUs, 79000u);
    EXPECT_FALSE(Recording::open(dir.file("broken.nolrec"), error));
    EXPECT_EQ(error, dir.file("broken.nolrec") + ": chunk checksum mismatch at offset " + std::to_string(damaged));
}

TEST(HostileRecording, ReplayPositionsNeverWrapAround)
{
    std::string error;
    const auto recording = Recording::parse(fileWithTimes({0, 1000, recording::kMaxChunkTimeUs}), "p.nolrec", error);
    ASSERT_TRUE(recording) << error;
    const std::uint64_t duration = recording::kMaxChunkTimeUs;
    constexpr std::int64_t kMaxI = std::numeric_limits<std::int64_t>::max();
    constexpr std::int64_t kMinI = std::numeric_limits<std::int64_t>::min();
    struct Case {
        const char* what;
        std::int64_t first;  // seek()
        std::int64_t by;     // then seekBy()
        std::uint64_t expected;
    };
    const std::vector<Case> cases = {
        {"end", kMaxI, 0, duration},
        {"before the start", kMinI, 0, 0},
        {"end, then forward by the most", kMaxI, kMaxI, duration},
        {"start, then back by the most", 0, kMinI, 0},
        {"end, then back by the most", kMaxI, kMinI, 0},
        {"middle, then forward", 500, 250, 750},
    };
    for (const Case& c : cases) {
        RecordingPlayback playback;
        playback.start(recording);
        playback.seek(c.first);
        playback.seekBy(c.by);
        EXPECT_EQ(static_cast<std::uint64_t>(playback.takeSeek()), c.expected) << c.what;
    }

    // A paced replay whose steady clock leaps by the largest amount it can: the position stops at
    // the end instead of wrapping to the start.
    RecordingPlayback paced;
    paced.start(recording);
    std::size_t fed = 0;
    const RecordingPlayback::Feed count = [&](const std::uint8_t*, std::size_t, std::uint64_t) { ++fed; };
    paced.step(1, count);
    paced.step(2, count);
    paced.step(std::numeric_limits<std::uint64_t>::max(), count);
    EXPECT_EQ(paced.positionUs(), duration);
    EXPECT_EQ(fed, 3u);
    EXPECT_TRUE(paced.atEnd());

    // The headless clock crosses 400 days of silence in one step.
    RecordingPlayback virtualClock;
    virtualClock.start(recording, 100000);
    fed = 0;
    int steps = 0;
    while (!virtualClock.atEnd() && steps < 10) {
        virtualClock.step(static_cast<std::uint64_t>(steps), count);
        ++steps;
    }
    EXPECT_TRUE(virtualClock.atEnd());
    EXPECT_EQ(fed, 3u);
    EXPECT_LE(steps, 3);
}

} // namespace
} // namespace nolvo
