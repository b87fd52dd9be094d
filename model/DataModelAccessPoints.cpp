// The DataModel's access-point list: merging scans, sorting, ageing, the utilization pass, and
// what a stored sweep or a history clear means for them.
#include "model/DataModel.h"

#include "model/ModelLock.h"
#include "platform/Clock.h"

namespace nolvo {

namespace {

AccessPointList::WindowBottoms windowBottoms(const DataModel& model)
{
    return {model.band24.amplitudeBottom, model.band5.amplitudeBottom};
}

// Every record of a scan adds its signal to the history, also while the table's edit mode holds
// the list still: the history is what was heard, not what is shown (accessPointLock held).
void recordSignals(SignalHistory& history, const AccessPointBatch& batch, std::uint64_t nowMs)
{
    for (const AccessPointPtr& record : batch) {
        if (record) {
            history.record(*record, nowMs);
        }
    }
    history.prune(nowMs);
}

} // namespace

// Runs after every stored sweep (dataLock held): the utilization pass follows the 2.4 GHz sweeps
// of accessories that scan 2.4 GHz access points.
void DataModel::afterSweepStored(int band)
{
    if (band != kBand24 || !deviceInfo.has24AccessPoints) {
        return;
    }
    lockByPolling(accessPointLock);
    runUtilizationPass(false);
    accessPointLock.unlock();
}

// Runs after clearHistories (dataLock, usually all three locks, held).
void DataModel::afterHistoriesCleared()
{
    accessPoints.clear();
    signalHistory.clear();
    utilizationStats.reset();
    totalScanCount.store(0);
    accessPointListChanged[0].store(true);
    accessPointListChanged[1].store(true);
}

void DataModel::mergeAccessPoints(AccessPointBatch& batch)
{
    if (batch.empty()) {
        return;
    }
    ModelLock lock(*this, kAccessPointLock);
    const std::uint64_t now = engine::clock::steadyMs();
    recordSignals(signalHistory, batch, now);
    accessPoints.merge(batch, now, windowBottoms(*this));
}

void DataModel::storeAccessPointScan(AccessPointBatch& batch)
{
    ModelLock lock(*this, kDataLock | kAccessPointLock);
    const std::uint64_t now = engine::clock::steadyMs();
    recordSignals(signalHistory, batch, now);
    if (utilizationEditMode.load()) {
        // The user is editing the selection: the table must not change under them.
        batch.clear();
        return;
    }
    accessPoints.merge(batch, now, windowBottoms(*this));
    totalScanCount.fetch_add(1);
    runUtilizationPass(true);
    accessPointListChanged[0].store(true);
    accessPointListChanged[1].store(true);
}

void DataModel::sortAccessPoints(std::uint8_t criterion, bool descending)
{
    accessPoints.sort(criterion, descending);
}

std::size_t DataModel::ageAccessPoints()
{
    return accessPoints.removeStale(engine::clock::steadyMs());
}

bool DataModel::runUtilizationPass(bool force)
{
    Utilization pass(accessPoints, optimizationSelection, utilizationStats,
                     {band24.history, band24.amplitudeBottom, deviceInfo.raw24});
    return pass.run(force);
}

float DataModel::candidateScore(const AccessPoint* accessPoint, int channel)
{
    Utilization pass(accessPoints, optimizationSelection, utilizationStats,
                     {band24.history, band24.amplitudeBottom, deviceInfo.raw24});
    return pass.candidateScore(accessPoint, channel);
}

} // namespace nolvo
