#pragma once
// The process-wide shared state: the persisted settings records and their configuration slots,
// the identified accessory's information, the measurement stores and the run-time flags polled by
// the main scene.
//
// Threads: the settings records are plain memory (menus write single fields without a lock),
// except the fields that another thread reads or writes while the program runs (the mode, band,
// display mode, overlay, scan interval, waterfall time scale, power scale indexes, the demo
// settings and the trigger settings): those are read and written through loadShared/storeShared
// (model/SharedField.h), also when a whole record is loaded or reset (copySettings).
// The trigger settings are the PowerSettings fields autoTrigger, triggerType, triggerDelay,
// triggerHoldoff, triggerLevel, powerEdgeRising, digitalCombination, digitalInputA/B and
// edgeARise/edgeBRise. They have writers on two threads - the trigger menu and the power layer's
// handles on the render thread, demo playback's preset and a replayed recording's settings on the
// worker - and the worker reads them for every settings command it builds; so every access, on
// any thread, goes through loadShared/storeShared. A change the accessory must hear about is
// followed by requestRestart; the last store before the worker builds the command wins.
// The measurement stores are guarded by dataLock, the access-point list by accessPointLock and
// whole configuration operations by all three locks (see ModelLock). Flags read across threads are
// atomics. loadConfiguration, saveConfiguration, resetSettings, pushSweep and clearHistories take
// no lock themselves: their callers hold the locks documented on each.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

#include "model/AccessPointList.h"
#include "model/AccessoryInfo.h"
#include "model/LogSink.h"
#include "model/MeasurementStores.h"
#include "model/SettingsRecords.h"
#include "model/SignalHistory.h"
#include "model/Utilization.h"

namespace nolvo {

// Run states written by the menu bar and the parser.
enum RunState : int { kRunning = 0, kStopped = 1, kSingleArmed = 2, kSingleDone = 3 };

// Data-log control word.
enum DataLogState : int { kLogOff = 0, kLogStartRequested = 1, kLogging = 2, kLogStopRequested = 3 };

// Whole-record copies of the settings records that hold shared fields (see above): every byte is
// copied, the shared fields through loadShared/storeShared.
void copySettings(CommonSettings& to, const CommonSettings& from);
void copySettings(SpectrumSettings& to, const SpectrumSettings& from);
void copySettings(PowerSettings& to, const PowerSettings& from);
void copySettings(DemoSettings& to, const DemoSettings& from);

class DataModel {
public:
    static constexpr int kSlotCount = 4;

    // The one process-wide model, created on first use and never destroyed.
    static DataModel* getInstance();

    // A fresh model holding the defaults (tests and tools may make their own).
    DataModel();
    DataModel(const DataModel&) = delete;
    DataModel& operator=(const DataModel&) = delete;

    // ---- configuration slots (callers hold all three locks, except at start-up) ----
    // Slot 0 is the working configuration, 1..3 the user's saved ones; other slots do nothing.
    void loadConfiguration(int slot);
    void saveConfiguration(int slot);
    void resetSettings();
    // True when `slot` (0..3) holds a configuration this version can read (written by this or the
    // previous format); a slot never saved, or saved by a newer program, holds none.
    bool slotHoldsConfiguration(int slot) const;

    // ---- identification ----
    // Copies the identified accessory's information and the tables and refresh intervals that
    // come with it (dataLock or the parser's thread).
    void setAccessoryInfo(const AccessoryInfo& info);

    // ---- measurement history (dataLock held) ----
    // Stores one decoded sweep of `band` (kBand24 or kBand5) and rebuilds its heat-map grid.
    void pushSweep(int band, const float* values, int count);
    // Empties both sweep histories and grids, resets the derived traces and the access-point list.
    void clearHistories();
    // Empties the live power data and the measurement results.
    void clearDerivedTraces();
    // The reference waveform's "GRAB" and "CLR".
    void grabReference();
    void clearReference();

    // ---- clamping accessors: stored values may be out of range, readers never index with them raw ----
    int bandIndex() const;                                   // 0 or 1; anything else reads as 2.4 GHz
    static int colorMapIndex(std::int32_t stored);           // 0..3, anything else 4 (grey)
    static int traceKindOf(std::uint8_t selection);          // 0..6, anything else 0 (none)
    static int waterfallTimeFactor(std::int32_t selector);   // 1, 2 or 5; anything else 1
    static int peakCountOf(std::uint8_t stored);             // 0..5
    // The time-scale index clamped to the time-per-division table; -1 when the table is empty.
    int clampedTimeScaleIndex() const;
    // Seconds per division at the clamped index; NaN when the table is empty.
    float timePerDivision() const;
    // External attenuation plus the internal attenuator entry, while an accessory is connected.
    float attenuationOffset() const;
    // The demo settings, each byte read as a shared field (the worker plays what the menu chose).
    DemoSettings demoSettings() const;
    // A power-capable accessory is connected (attenuation settings and pinch zoom apply only
    // then). Reads the device information: dataLock held, or from the parser's thread.
    bool powerHardwarePresent() const { return accessoryConnected.load() && deviceInfo.hasPower; }
    BandStore& bandStore(int band) { return band == kBand5 ? band5 : band24; }
    const BandStore& bandStore(int band) const { return band == kBand5 ? band5 : band24; }

    // ---- on-screen log ----
    void setLogSink(LogSink* sink) { m_logSink.store(sink); }
    void logLine(int level, const std::string& text) const;

    // ---- persisted settings ----
    std::int32_t graticuleMask = kGraticuleAll;
    std::int32_t alertsMask = kAlertsAll;
    CursorSettings cursors{};
    CommonSettings common{};
    SpectrumSettings spectrum{};
    PowerSettings power{};
    ChannelSettings powerChannel{};
    ChannelSettings referenceChannel{};
    ReferenceHistory referenceHistory;
    DemoSettings demo{};
    AccessPointFilterSettings apFilter{}; // render thread only (menus, overlay, tables)

    // ---- device state ----
    AccessoryInfo deviceInfo;

    // ---- measurement stores (dataLock) ----
    BandStore band24{kBins24};
    BandStore band5{kBins5};
    float refreshInterval[3] = {0.1f, 0.1f, 0.1f}; // 2.4 GHz, 5 GHz, power; seconds
    PowerStore powerStore;
    CursorResults cursorResults;

    // ---- run-time flags ----
    std::atomic<int> runState{kRunning};
    std::atomic<int> dataLogState{kLogOff};
    std::atomic<bool> accessoryConnected{false};
    std::atomic<bool> inBackground{false};
    std::atomic<bool> modeChanged{false}; // the parser switched the mode; the menu bar shows it
    std::atomic<bool> menuRefresh{false};
    std::atomic<bool> acquiringSSID{false};
    std::atomic<bool> accessPointScanRunning{false};
    std::atomic<bool> accessPointListChanged[2] = {false, false};
    std::atomic<bool> waterfallTouchInProgress{false};
    std::atomic<bool> powerTouchActive{false};
    std::atomic<int> displaySizeClass{3};

    // ---- locks (take them through ModelLock) ----
    std::mutex dataLock;
    std::mutex accessPointLock;
    std::mutex settingsLock;

    // ---- access points ----
    // The list, the optimization selection and the utilization statistics are guarded by
    // accessPointLock; the pass also reads the 2.4 GHz sweeps (dataLock).
    AccessPointList accessPoints;                // owned records, merged by BSSID, at most 2,048
    OptimizationSelection optimizationSelection; // 20 BSSIDs selected for optimization
    UtilizationStats utilizationStats;           // per-channel utilization and counts, pass counter, updated flag
    std::atomic<bool> utilizationEditMode{false}; // the utilization table's edit mode
    std::atomic<std::uint32_t> totalScanCount{0}; // access-point scan frames merged
    SignalHistory signalHistory;                  // each access point's signal over ten minutes (accessPointLock)

    // Merges one decoded scan into the list (takes accessPointLock; no model lock held).
    void mergeAccessPoints(AccessPointBatch& batch);
    // What an access-point scan frame does to the model: unless edit mode is on, merges the
    // batch, counts the scan, runs the forced utilization pass and raises both list-changed
    // flags. The batch is emptied either way. Takes dataLock and accessPointLock (none held).
    void storeAccessPointScan(AccessPointBatch& batch);
    // Sorts the list by an SSIDSortCriteria value (accessPointLock held).
    void sortAccessPoints(std::uint8_t criterion, bool descending);
    // Drops the access points last seen 180 s or more ago; returns how many (accessPointLock held).
    // The caller decides when it runs (not in edit mode) and raises the list-changed flags.
    std::size_t ageAccessPoints();
    // The utilization pass with its gating (dataLock and accessPointLock held); true when the
    // full pass ran.
    bool runUtilizationPass(bool force);
    // The score of an access point moved to `channel` (dataLock and accessPointLock held).
    float candidateScore(const AccessPoint* accessPoint, int channel);
    // Zeroes the per-channel figures, the pass counter and the updated flag (accessPointLock held).
    void resetUtilizationStatistics() { utilizationStats.reset(); }
    // Selection changes of the utilization table (accessPointLock held); false on failure.
    bool addToOptimization(const Bssid& bssid) { return optimizationSelection.add(bssid); }
    bool removeFromOptimization(const Bssid& bssid) { return optimizationSelection.remove(bssid); }

private:
    void loadSpectrumSettings(const std::string& prefix, int version);
    void loadReference(const std::string& prefix);
    void saveReference(const std::string& prefix) const;
    void updateHeatGrid(BandStore& store, int bins, std::ptrdiff_t leavingEntry);

    // Extension points for the access-point model and the utilization pass.
    void afterSweepStored(int band);
    void afterHistoriesCleared();

    std::atomic<LogSink*> m_logSink{nullptr};
};

} // namespace nolvo
