// Stream recordings on disk: what the writer puts down is what the reader gives back; a file cut
// anywhere in its last chunk replays the chunks before; damage is reported with the file name and
// the offset; a full disk leaves a readable file and stops the recording with one message.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

#include "accessory/LinkRecorder.h"
#include "accessory/RecordingReader.h"
#include "accessory/RecordingWriter.h"
#include "model/DataModel.h"
#include "model/LogSink.h"

namespace nolvo {
namespace {

using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

recording::Header sampleHeader()
{
    recording::Header header;
    header.startWallMs = 1710495005123;
    header.programVersion = "9.8.7";
    header.identification = {0xAA, 0x60, 0x07, 0x01, 0x02, 0x03};
    header.commonSettings = Bytes(16, 0x11);
    header.spectrumSettings = Bytes(88, 0x22);
    header.powerSettings = Bytes(44, 0x33);
    return header;
}

// Header plus chunks of 1, 2, 3, ... bytes at 1000, 2000, ... microseconds.
Bytes sampleFile(int chunks, std::vector<std::size_t>* chunkOffsets = nullptr)
{
    Bytes file = recording::encodeHeader(sampleHeader());
    for (int i = 0; i < chunks; ++i) {
        if (chunkOffsets != nullptr) {
            chunkOffsets->push_back(file.size());
        }
        Bytes payload(static_cast<std::size_t>(i + 1), static_cast<std::uint8_t>(0xA0 + i));
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived,
                                                   static_cast<std::uint64_t>(1000 * (i + 1)), payload.data(),
                                                   payload.size());
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    return file;
}

Bytes readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

class TempDir {
public:
    TempDir()
    {
        char pattern[] = "/tmp/nolvo-recording-XXXXXX";
        m_path = mkdtemp(pattern);
    }
    ~TempDir() { fs::remove_all(m_path); }
    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

TEST(RecordingFile, ChunksAndHeaderComeBackAsWritten)
{
    std::string error;
    const auto recording = Recording::parse(sampleFile(5), "a.nolrec", error);
    ASSERT_TRUE(recording) << error;
    const recording::Header& header = recording->header();
    EXPECT_EQ(header.startWallMs, 1710495005123);
    EXPECT_EQ(header.programVersion, "9.8.7");
    EXPECT_EQ(header.identification, sampleHeader().identification);
    EXPECT_EQ(header.spectrumSettings, Bytes(88, 0x22));
    EXPECT_EQ(header.powerSettings, Bytes(44, 0x33));
    ASSERT_EQ(recording->chunks().size(), 5u);
    for (int i = 0; i < 5; ++i) {
        const Recording::Chunk& chunk = recording->chunks()[static_cast<std::size_t>(i)];
        EXPECT_EQ(chunk.timeUs, static_cast<std::uint64_t>(1000 * (i + 1)));
        EXPECT_EQ(Bytes(recording->payload(chunk), recording->payload(chunk) + chunk.size),
                  Bytes(static_cast<std::size_t>(i + 1), static_cast<std::uint8_t>(0xA0 + i)));
    }
    EXPECT_EQ(recording->durationUs(), 5000u);
    EXPECT_EQ(recording->payloadBytes(), 15u);
    EXPECT_FALSE(recording->cut());
    EXPECT_EQ(recording->firstChunkAtOrAfter(2500), 2u);
    EXPECT_EQ(recording->firstChunkAtOrAfter(9000), 5u);
}

TEST(RecordingFile, CutAnywhereInTheLastChunkKeepsTheChunksBefore)
{
    std::vector<std::size_t> offsets;
    const Bytes whole = sampleFile(4, &offsets);
    const std::size_t lastStart = offsets.back();
    for (std::size_t end = lastStart; end < whole.size(); ++end) {
        std::string error;
        const auto recording = Recording::parse(Bytes(whole.begin(), whole.begin() + static_cast<long>(end)),
                                                "cut.nolrec", error);
        ASSERT_TRUE(recording) << "cut at " << end << ": " << error;
        EXPECT_EQ(recording->chunks().size(), 3u) << "cut at " << end;
        if (end == lastStart) {
            EXPECT_FALSE(recording->cut()); // ends exactly on a chunk boundary
        } else {
            ASSERT_TRUE(recording->cut());
            EXPECT_EQ(*recording->cut(), lastStart);
            EXPECT_NE(recording->cutNotice().find("cut.nolrec: recording cut inside a chunk at offset " +
                                                  std::to_string(lastStart)),
                      std::string::npos);
        }
    }
}

TEST(RecordingFile, DamageIsReportedWithFileAndOffset)
{
    std::vector<std::size_t> offsets;
    const Bytes good = sampleFile(3, &offsets);
    const std::size_t headerEnd = offsets[0] - recording::kCrcSize;
    const std::size_t middle = offsets[1];

    Bytes backwards = recording::encodeHeader(sampleHeader());
    for (std::uint64_t t : {5000u, 4000u}) {
        const Bytes chunk = recording::encodeChunk(recording::ChunkKind::kReceived, t, good.data(), 3);
        backwards.insert(backwards.end(), chunk.begin(), chunk.end());
    }
    recording::Header noId = sampleHeader();
    noId.identification = {0xAA, 0xA0, 0x07}; // a spectrum frame, not an identification
    const std::size_t secondChunk = recording::encodeHeader(sampleHeader()).size() + recording::kChunkHeaderSize + 3 +
                                    recording::kCrcSize;

    struct Case {
        const char* what;
        Bytes bytes;
        std::string message;
    };
    auto with = [&](std::size_t at, std::uint8_t value) {
        Bytes b = good;
        b[at] = value;
        return b;
    };
    auto u32At = [&](std::size_t at, std::uint32_t value) {
        Bytes b = good;
        for (int i = 0; i < 4; ++i) b[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
        return b;
    };
    const std::vector<Case> cases = {
        {"empty file", Bytes{}, "not a Nolvo recording (no \"NOLVOREC\" signature) at offset 0"},
        {"a PNG", Bytes{0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A, 0, 0, 0, 0, 0, 0, 0, 0},
         "not a Nolvo recording (no \"NOLVOREC\" signature) at offset 0"},
        {"cut inside the preamble", Bytes(good.begin(), good.begin() + 11), "recording ends inside its header at offset 11"},
        {"cut inside the header body", Bytes(good.begin(), good.begin() + 40), "recording ends inside its header at offset 40"},
        {"newer major format", with(8, 2), "recording format 2.0 is not readable by this program (it reads format 1.x) at offset 8"},
        {"unbelievable header length", u32At(12, 0x7FFFFFFF), "header length 2147483647 is not believable at offset 12"},
        {"flipped header byte", with(30, good[30] ^ 0x40), "header checksum mismatch at offset " + std::to_string(headerEnd)},
        {"flipped payload byte", with(middle + recording::kChunkHeaderSize, 0x00), "chunk checksum mismatch at offset " + std::to_string(middle)},
        {"unbelievable chunk length", u32At(middle, 0x40000000), "chunk length 1073741824 is not believable at offset " + std::to_string(middle)},
        {"time going backwards", backwards, "chunk time goes backwards at offset " + std::to_string(secondChunk)},
        {"no identification", recording::encodeHeader(noId), "header holds no accessory identification frame at offset 16"},
    };
    for (const Case& c : cases) {
        std::string error;
        EXPECT_FALSE(Recording::parse(c.bytes, "bad.nolrec", error)) << c.what;
        EXPECT_EQ(error, "bad.nolrec: " + c.message) << c.what;
        EXPECT_EQ(error.find('\n'), std::string::npos) << c.what;
    }
}

TEST(RecordingFile, LaterMinorVersionsAndUnknownPartsAreSkipped)
{
    // A later minor version may add header fields and chunk kinds; this reader skips them.
    Bytes file(recording::kMagic, recording::kMagic + 8);
    Bytes body;
    recording::putU16(body, 77); // unknown field
    recording::putU32(body, 2);
    body.push_back(1);
    body.push_back(2);
    recording::putU16(body, static_cast<std::uint16_t>(recording::Field::kIdentification));
    recording::putU32(body, 3);
    for (std::uint8_t b : {0xAA, 0x60, 0x02}) body.push_back(b);
    recording::putU16(file, 1);
    recording::putU16(file, 5);
    recording::putU32(file, static_cast<std::uint32_t>(body.size()));
    file.insert(file.end(), body.begin(), body.end());
    recording::putU32(file, recording::crc32(file.data(), file.size()));
    const Bytes payload = {1, 2, 3};
    for (std::uint8_t kind : {9, 1}) {
        const Bytes chunk = recording::encodeChunk(static_cast<recording::ChunkKind>(kind), 10, payload.data(), 3);
        file.insert(file.end(), chunk.begin(), chunk.end());
    }
    std::string error;
    const auto recording = Recording::parse(file, "newer.nolrec", error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->header().minor, 5);
    EXPECT_EQ(recording->header().identification, (Bytes{0xAA, 0x60, 0x02}));
    EXPECT_EQ(recording->chunks().size(), 1u);
}

TEST(RecordingFile, OpenNamesAMissingFile)
{
    std::string error;
    EXPECT_FALSE(Recording::open("/nonexistent/x.nolrec", error));
    EXPECT_EQ(error, "/nonexistent/x.nolrec: cannot open (No such file or directory)");
}

TEST(RecordingWriter, NeverReplacesAFileAndWritesWhatTheReaderReads)
{
    TempDir dir;
    const std::time_t when = 1710495005;
    const std::string name = RecordingWriter::fileName(when);
    EXPECT_EQ(name.substr(0, 6), "Nolvo_");
    EXPECT_EQ(name.substr(name.size() - 7), ".nolrec");
    {
        std::ofstream existing(dir.path() + "/" + name);
        existing << "keep me";
    }
    RecordingWriter writer;
    ASSERT_TRUE(writer.open(dir.path(), when, sampleHeader())) << writer.failureReason();
    EXPECT_EQ(writer.path(), dir.path() + "/" + name.substr(0, name.size() - 7) + "_2.nolrec");
    const Bytes payload = {0xAA, 0xA0, 0x01, 0x02};
    ASSERT_TRUE(writer.append(payload.data(), payload.size(), 42));
    ASSERT_TRUE(writer.append(payload.data(), 2, 43));
    writer.close();
    EXPECT_EQ(readFile(dir.path() + "/" + name), (Bytes{'k', 'e', 'e', 'p', ' ', 'm', 'e'}));
    struct stat info {};
    ASSERT_EQ(::stat(writer.path().c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u); // it holds BSSIDs of other people's networks

    std::string error;
    const auto recording = Recording::open(writer.path(), error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->chunks().size(), 2u);
    EXPECT_EQ(recording->chunks()[0].timeUs, 42u);
    EXPECT_EQ(recording->chunks()[1].size, 2u);
}

// A disk with room for `g_room` more bytes.
long g_room = 0;
long fullDiskWrite(int fd, const void* data, std::size_t size)
{
    if (g_room <= 0) {
        errno = ENOSPC;
        return -1;
    }
    const long n = std::min<long>(g_room, static_cast<long>(size));
    g_room -= n;
    return static_cast<long>(::write(fd, data, static_cast<std::size_t>(n)));
}

class Lines : public LogSink {
public:
    void logLine(int, const std::string& text) override { lines.push_back(text); }
    std::vector<std::string> lines;
};

TEST(RecordingWriter, AFullDiskStopsTheRecordingOnceAndLeavesAWholeFile)
{
    TempDir dir;
    DataModel model;
    Lines log;
    model.setLogSink(&log);
    LinkRecorder recorder(&model);
    g_room = static_cast<long>(recording::encodeHeader(sampleHeader()).size()) + 3 * (16 + 100 + 4) + 50;
    recorder.setWriteFunction(fullDiskWrite);
    std::string error;
    ASSERT_TRUE(recorder.start(dir.path() + "/sub", sampleHeader(), error)) << error; // makes the folder
    const std::string path = recorder.path();
    const Bytes read(100, 0x55);
    for (int i = 0; i < 6; ++i) {
        recorder.received(read.data(), static_cast<unsigned>(read.size()));
    }
    recorder.waitForWrites(); // the reads are written on the recorder's writer thread
    EXPECT_FALSE(recorder.recording());
    ASSERT_EQ(log.lines.size(), 1u);
    EXPECT_EQ(log.lines[0], "Recording stopped: No space left on device. " + path + " keeps what was recorded.");

    const auto recording = Recording::open(path, error);
    ASSERT_TRUE(recording) << error;
    EXPECT_EQ(recording->chunks().size(), 3u);
    EXPECT_FALSE(recording->cut()); // the partial fourth chunk was cut off again
    model.setLogSink(nullptr);
}

TEST(LinkRecorder, RecordsReadsWithRisingTimesUntilTheLinkIsLost)
{
    TempDir dir;
    LinkRecorder recorder;
    const Bytes read = {1, 2, 3};
    recorder.received(read.data(), 3); // not recording: ignored
    std::string error;
    ASSERT_TRUE(recorder.start(dir.path(), sampleHeader(), error)) << error;
    EXPECT_FALSE(recorder.start(dir.path(), sampleHeader(), error));
    EXPECT_EQ(error, "a recording is already running");
    recorder.received(read.data(), 3);
    recorder.received(read.data(), 2);
    recorder.waitForWrites();
    EXPECT_EQ(recorder.chunksWritten(), 2u);
    const std::string path = recorder.path();
    recorder.linkLost();
    EXPECT_FALSE(recorder.recording());
    recorder.received(read.data(), 3);
    EXPECT_EQ(recorder.lastPath(), path);
    EXPECT_EQ(recorder.stop(), "");

    const auto recording = Recording::open(path, error);
    ASSERT_TRUE(recording) << error;
    ASSERT_EQ(recording->chunks().size(), 2u);
    EXPECT_LE(recording->chunks()[0].timeUs, recording->chunks()[1].timeUs);
}

} // namespace
} // namespace nolvo
