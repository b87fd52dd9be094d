#include "accessory/LinkRecorder.h"

#include <chrono>
#include <cstdio>
#include <cstring>
#include <filesystem>

#include "accessory/RecordingWriter.h"
#include "model/DataModel.h"

namespace nolvo {

namespace {

// The bytes of a settings record as it stands. Its shared fields are written by the packet parser
// while a recording starts, so they are read through the shared-access helpers (copySettings)
// rather than copied as raw memory.
template <typename Record>
std::vector<std::uint8_t> blob(const Record& record)
{
    Record copy;
    copySettings(copy, record);
    std::vector<std::uint8_t> bytes(sizeof copy);
    std::memcpy(bytes.data(), &copy, sizeof copy);
    return bytes;
}

} // namespace

LinkRecorder::LinkRecorder(DataModel* model) : m_model(model) {}

LinkRecorder::~LinkRecorder()
{
    stop();
}

recording::Header LinkRecorder::headerFor(const DataModel& model, std::vector<std::uint8_t> identification,
                                          const std::string& programVersion)
{
    recording::Header header;
    header.startWallMs = std::chrono::duration_cast<std::chrono::milliseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    header.programVersion = programVersion;
    header.identification = std::move(identification);
    header.commonSettings = blob(model.common);
    header.spectrumSettings = blob(model.spectrum);
    header.powerSettings = blob(model.power);
    return header;
}

bool LinkRecorder::start(const std::string& directory, const recording::Header& header, std::string& error)
{
    return start(directory, header, std::time(nullptr), error);
}

bool LinkRecorder::start(const std::string& directory, const recording::Header& header, std::time_t when,
                         std::string& error)
{
    if (recording()) {
        error = "a recording is already running";
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(directory, ignored);
    auto writer = std::make_shared<RecordingWriter>();
    writer->setWriteFunction(m_writeFunction);
    if (!writer->open(directory, when, header)) {
        error = writer->failureReason();
        return false;
    }
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_writer) {
        error = "a recording is already running";
        return false; // lost a race with another start; the new file holds only its header
    }
    m_lastPath = writer->path();
    m_chunks = 0;
    m_bytes = writer->fileSize();
    m_dropReported = false;
    m_dropsAtStart = m_writes.droppedTasks();
    m_writer = std::move(writer);
    m_started = std::chrono::steady_clock::now();
    return true;
}

std::string LinkRecorder::stop()
{
    std::shared_ptr<RecordingWriter> writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = std::move(m_writer);
        m_writer.reset();
    }
    if (!writer) {
        return "";
    }
    const std::string path = writer->path();
    // Closed after the reads queued before the stop; the caller may open the file next.
    m_writes.post(0, [this, writer] { finish(writer); });
    m_writes.drain();
    return path;
}

void LinkRecorder::received(const std::uint8_t* bytes, unsigned count)
{
    if (bytes == nullptr || count == 0) {
        return;
    }
    const auto now = std::chrono::steady_clock::now();
    std::shared_ptr<RecordingWriter> writer;
    std::uint64_t timeUs = 0;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_writer) {
            return;
        }
        writer = m_writer;
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - m_started).count();
        timeUs = static_cast<std::uint64_t>(us < 0 ? 0 : us);
    }
    std::vector<std::uint8_t> copy(bytes, bytes + count);
    const bool queued = m_writes.post(count, [this, writer = std::move(writer), data = std::move(copy), timeUs] {
        append(writer, data, timeUs);
    });
    if (!queued && !m_dropReported.exchange(true)) {
        report("Recording: the disk cannot keep up, reads are being dropped.");
    }
}

void LinkRecorder::append(const std::shared_ptr<RecordingWriter>& writer, const std::vector<std::uint8_t>& bytes,
                          std::uint64_t timeUs)
{
    if (!writer->isOpen()) {
        return; // stopped by an earlier failure
    }
    if (writer->append(bytes.data(), bytes.size(), timeUs)) {
        m_chunks = writer->chunksWritten();
        m_bytes = writer->fileSize();
        return;
    }
    const std::string failure =
        "Recording stopped: " + writer->failureReason() + ". " + writer->path() + " keeps what was recorded.";
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (m_writer == writer) {
            m_writer.reset();
        }
    }
    report(failure);
}

void LinkRecorder::finish(const std::shared_ptr<RecordingWriter>& writer)
{
    writer->close();
    const std::uint64_t dropped = m_writes.droppedTasks() - m_dropsAtStart.load();
    if (dropped > 0) {
        report("Recording: " + std::to_string(dropped) + " reads were dropped from " + writer->path() +
               " because the disk could not keep up.");
    }
}

void LinkRecorder::linkLost()
{
    stop();
}

bool LinkRecorder::recording() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writer != nullptr;
}

std::string LinkRecorder::path() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writer ? m_writer->path() : std::string();
}

std::string LinkRecorder::lastPath() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_lastPath;
}

std::uint64_t LinkRecorder::chunksWritten() const
{
    return recording() ? m_chunks.load() : 0;
}

std::uint64_t LinkRecorder::bytesWritten() const
{
    return recording() ? m_bytes.load() : 0;
}

void LinkRecorder::report(const std::string& text)
{
    std::fprintf(stderr, "nolvo: %s\n", text.c_str());
    if (m_model != nullptr) {
        m_model->logLine(kLogLevel, text);
    }
}

} // namespace nolvo
