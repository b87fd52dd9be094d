#pragma once
// The data log's step for each processed accessory packet: follows the data-log control word of
// the DataModel (1 start requested -> 2 logging, 3 stop requested -> 0 off), writes the header when
// a file starts or when the header-needed flags ask for it, then the packet's rows.
//
// Header-needed flags: [0] the scale line alone, [1] and [2] the whole header block. The owner of
// the packet processing raises [2] on each settings acknowledgement (settingsAcknowledged); the
// logger raises [0] itself when the scale line would change (time scale or power amplitude
// window) and [1] when the header block would (packet kind, band or accessory model). Writing a
// header clears all three; a stop clears [2].
//
// Spectrum rows hold exactly the columns of the frequency line: a longer sweep is cut at the end
// (the extra bins lie above the last listed frequency), a shorter one is padded with empty cells.
// Without a frequency line (an unknown 2.4 GHz model) the sweep is written as it comes.
//
// A failed write closes the file (see DataLogFile) and is reported once on the on-screen log
// through DataModel::logLine; so is a start that could not create a file. Nothing else stops: the
// control word stays at 2 and rows are dropped until the user stops and starts again.
//
// Writing: the log* members only format (under dataLock, where the model is read) and collect the
// packet's text; writePending() hands it to the logger's writer thread (a DiskWriteQueue), which
// opens, writes and closes the file in the order the packets came, so a slow disk holds up
// neither the threads polling dataLock nor the packet thread, which reads the accessory. When the
// disk cannot keep up and kMaxQueuedBytes wait, further packets are dropped: the count is in
// droppedPackets(), the user hears it once while logging, and the total when the log stops.
// Time cells are taken when a packet is formatted, so they keep the packet's time however late it
// reaches the disk.
//
// Threads: one packet-processing thread calls the log* members and writePending (the link thread,
// or the worker in demo playback). closeLog and waitForWrites may come from another thread. The
// flag setters may be called from any thread.

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "model/DataLogFile.h"
#include "model/DataLogFormat.h"
#include "model/DiskWriteQueue.h"

namespace nolvo {

class DataModel;

// The layout of the rows: the program's own CSV, or that of rtl_power (spectrum sweeps only, no
// header, see RtlPowerFormat; power readings are not written in it).
enum class DataLogLayout { kNolvo, kRtlPower };

class DataLogger {
public:
    static constexpr int kLogLevel = 1; // on-screen log level of the logger's messages
    // Bytes that may wait for the disk before packets are dropped: seconds of the fastest stream.
    static constexpr std::size_t kMaxQueuedBytes = 4u * 1024u * 1024u;

    // Neither is owned; both must outlive the logger.
    DataLogger(DataModel& model, DataLogFile& file);

    // One decoded sweep of `band` (0 2.4 GHz, 1 5 GHz): `count` dBm values.
    void logSpectrum(int band, const float* values, int count);
    // The new power samples of one packet, oldest first, in dBm.
    void logPower(const float* samples, int count);

    // Header-needed flags.
    void requestScaleLine() { m_headerNeeded[0] = true; }
    void requestHeader() { m_headerNeeded[1] = true; }
    void settingsAcknowledged() { m_headerNeeded[2] = true; }
    bool headerNeeded(int which) const { return which >= 0 && which < 3 && m_headerNeeded[which].load(); }

    // Set before logging starts (packet-processing thread, or before that thread runs).
    void setLayout(DataLogLayout layout) { m_layout = layout; }
    // Asked before each packet while a file is open: true starts a new file (what is queued goes
    // to the old one first; the new one begins with its header and an absolute time). Runs on the
    // packet-processing thread with dataLock held: it must be quick. Empty: never.
    void setRotationCheck(std::function<bool()> check) { m_rotationCheck = std::move(check); }
    // Starts a new file after a failed write (a full disk). Until a write to it succeeds, failures
    // are not reported again: the outage was reported once already. Any thread.
    void requestResume();

    // Hands the collected packets to the writer thread (no model lock held).
    void writePending();

    // The accessory went away: writes what is queued, closes the file and sets the control word to 0.
    // Returns once the file is closed.
    void closeLog();

    // Returns once everything handed to the writer thread so far has reached the file.
    void waitForWrites();
    // Packets dropped since this logger was made because the disk could not keep up.
    std::uint64_t droppedPackets() const { return m_writes.droppedTasks(); }

    // What the header lines of a packet describe, from the model's current settings.
    DataLogContext context(bool powerMode, int band) const;

    // Milliseconds between two power rows: truncate(time per division x 10 000 / samples per
    // screen); 0 when either is unusable.
    static std::uint64_t powerRowStepMs(float timePerDivision, int samplesPerScreen);

private:
    // Runs the control word for one packet; true when the packet's rows are to be written.
    bool advanceState();
    // Closes the open file and opens the next one when the rotation check asks for it.
    void rotateIfDue();
    // The header text this packet needs ("" when none); updates and clears the flags.
    std::string headerFor(const DataLogContext& context);
    std::string timeCell(std::uint64_t offsetMs);
    void queuePacket(std::string header, std::string rows);
    void handOverLocked(); // m_pendingMutex held
    // Writer thread: the steps of the file.
    // `resuming`: after a failed write; stays quiet until a write succeeds.
    void startFile(std::time_t when, bool resuming);
    void writePacket(const std::string& packet);
    void stopFile();
    void reportDrops();
    void report(const std::string& text);

    DataModel& m_model;
    DataLogFile& m_file;
    std::atomic<bool> m_headerNeeded[3] = {false, false, false};
    std::mutex m_pendingMutex; // the packets collected and not yet handed to the writer thread
    struct Packet {
        std::string text;
        bool hasHeader; // never dropped: the rows after it need it
    };
    std::vector<Packet> m_pending;
    bool m_firstPacket = false;
    std::uint64_t m_startMs = 0; // steady-clock start of the running log, for the time cells
    // False from a stop, or from a start or write the writer thread saw fail, to the next start:
    // nothing is formatted meanwhile.
    std::atomic<bool> m_fileUsable{false};
    std::atomic<bool> m_failureReported{false};
    std::atomic<bool> m_dropReported{false};
    std::atomic<std::uint64_t> m_dropsAtStart{0}; // droppedPackets() when the running log started
    std::atomic<bool> m_resuming{false};
    std::atomic<bool> m_reportAfterWrite{false};
    // From a rotation handed to the writer thread until its new file is started: the old file
    // still answers the rotation check meanwhile.
    std::atomic<bool> m_rotating{false};
    DataLogLayout m_layout = DataLogLayout::kNolvo;
    std::function<bool()> m_rotationCheck;
    // What the last written header described, to notice when it would change.
    std::string m_lastScaleLine;
    bool m_lastPowerMode = false;
    int m_lastBand = -1;
    int m_lastModelCode = -1;
    // Last: it goes first, running what is queued while everything its tasks use still exists.
    DiskWriteQueue m_writes{kMaxQueuedBytes};
};

} // namespace nolvo
