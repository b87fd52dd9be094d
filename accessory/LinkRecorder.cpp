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
    auto writer = std::make_unique<RecordingWriter>();
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
    m_writer = std::move(writer);
    m_started = std::chrono::steady_clock::now();
    return true;
}

std::string LinkRecorder::stop()
{
    std::unique_ptr<RecordingWriter> writer;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        writer = std::move(m_writer);
    }
    if (!writer) {
        return "";
    }
    const std::string path = writer->path();
    writer->close();
    return path;
}

void LinkRecorder::received(const std::uint8_t* bytes, unsigned count)
{
    const auto now = std::chrono::steady_clock::now();
    std::string failure;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!m_writer) {
            return;
        }
        const auto us = std::chrono::duration_cast<std::chrono::microseconds>(now - m_started).count();
        if (m_writer->append(bytes, count, static_cast<std::uint64_t>(us < 0 ? 0 : us))) {
            return;
        }
        failure = "Recording stopped: " + m_writer->failureReason() + ". " + m_writer->path() +
                  " keeps what was recorded.";
        m_writer.reset();
    }
    report(failure);
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
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writer ? m_writer->chunksWritten() : 0;
}

std::uint64_t LinkRecorder::bytesWritten() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_writer ? m_writer->fileSize() : 0;
}

void LinkRecorder::report(const std::string& text)
{
    std::fprintf(stderr, "nolvo: %s\n", text.c_str());
    if (m_model != nullptr) {
        m_model->logLine(kLogLevel, text);
    }
}

} // namespace nolvo
