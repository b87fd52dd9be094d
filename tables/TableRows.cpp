#include "tables/TableRows.h"

#include "tables/CellTexts.h"

namespace nolvo {

namespace {

void appendSection(std::vector<TableRow>& rows, const char* header, const std::vector<std::int32_t>& entries,
                   const char* emptyText, bool selectedSection)
{
    rows.push_back({RowKind::Header, header, -1, selectedSection});
    if (entries.empty()) {
        rows.push_back({RowKind::Message, emptyText, -1, selectedSection});
        return;
    }
    for (std::int32_t entry : entries) {
        rows.push_back({RowKind::AccessPoint, "", entry, selectedSection});
    }
}

} // namespace

std::vector<TableRow> accessPointTableRows(const AccessPointSnapshot& snapshot, bool band5First)
{
    std::vector<std::int32_t> band24;
    std::vector<std::int32_t> band5;
    for (std::size_t i = 0; i < snapshot.rows.size(); ++i) {
        const std::int32_t band = snapshot.rows[i].band;
        if (band == 0) {
            band24.push_back(static_cast<std::int32_t>(i));
        } else if (band == 1) {
            band5.push_back(static_cast<std::int32_t>(i));
        }
    }
    std::vector<TableRow> rows;
    rows.reserve(band24.size() + band5.size() + 4);
    if (band5First) {
        appendSection(rows, kHeader5, band5, kNoSsid, false);
        appendSection(rows, kHeader24, band24, kNoSsid, false);
    } else {
        appendSection(rows, kHeader24, band24, kNoSsid, false);
        appendSection(rows, kHeader5, band5, kNoSsid, false);
    }
    return rows;
}

void UtilizationRows::build(const AccessPointSnapshot& snapshot)
{
    std::vector<std::int32_t> selected;
    std::vector<std::int32_t> others;
    std::map<Bssid, bool> heard;
    for (std::size_t i = 0; i < snapshot.rows.size(); ++i) {
        const AccessPointRow& row = snapshot.rows[i];
        if (row.band != 0) {
            continue;
        }
        if (row.selected) {
            selected.push_back(static_cast<std::int32_t>(i));
            heard[row.bssid] = true;
            // A hidden network is remembered by its address.
            m_names[row.bssid] = row.ssid.empty() ? cell::bssidText(row.bssid) : row.ssid;
        } else {
            others.push_back(static_cast<std::int32_t>(i));
        }
    }
    m_notHeard.clear();
    std::map<Bssid, std::string> stillSelected;
    for (const Bssid& address : snapshot.selection) {
        const auto known = m_names.find(address);
        const std::string name = known != m_names.end() ? known->second : cell::bssidText(address);
        stillSelected[address] = name;
        if (!heard.count(address)) {
            heard[address] = true; // an address in two slots is listed once
            m_notHeard.push_back({address, name});
        }
    }
    m_names = std::move(stillSelected); // forget addresses that were removed

    m_rows.clear();
    m_rows.reserve(selected.size() + m_notHeard.size() + others.size() + 4);
    m_rows.push_back({RowKind::Header, kSelectedHeader, -1, true});
    for (std::int32_t entry : selected) {
        m_rows.push_back({RowKind::AccessPoint, "", entry, true});
    }
    for (std::size_t i = 0; i < m_notHeard.size(); ++i) {
        m_rows.push_back({RowKind::NotHeard, kNotHeard, static_cast<std::int32_t>(i), true});
    }
    m_selected = static_cast<int>(selected.size() + m_notHeard.size());
    if (m_selected == 0) {
        m_rows.push_back({RowKind::Message, kPressEdit, -1, true});
    }
    appendSection(m_rows, kOthersHeader, others, kNoSsid, false);
    m_others = static_cast<int>(others.size());
}

} // namespace nolvo
