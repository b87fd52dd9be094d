#pragma once
// A DataModel of the test's own with access points and sweeps, and a snapshot taken the way the
// tables take it (under accessPointLock).

#include <memory>
#include <vector>

#include "model/DataModel.h"
#include "model/ModelLock.h"
#include "model/access_points/AccessPointBuilders.h"
#include "tables/AccessPointSnapshot.h"

namespace nolvo::testing {

inline AccessPoint named(AccessPoint ap, std::string_view ssid)
{
    ap.setSsid(ssid);
    return ap;
}

inline void addToModel(DataModel& model, std::vector<AccessPoint> records)
{
    auto batch = batchOf(std::move(records));
    model.mergeAccessPoints(batch);
}

inline AccessPointSnapshot snapshotOf(DataModel& model)
{
    AccessPointSnapshot snapshot;
    ModelLock lock(model, kAccessPointLock);
    snapshot.take(model);
    return snapshot;
}

} // namespace nolvo::testing
