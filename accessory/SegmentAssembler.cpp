#include "accessory/SegmentAssembler.h"

#include <algorithm>

#include "accessory/protocols/AccessoryProtocol.h"

namespace nolvo {

const float* SegmentAssembler::add(const AccessoryProtocol& protocol, int segments, const float* values, int count,
                                   int segment, int& total)
{
    total = 0;
    if (values == nullptr || count <= 0) {
        return nullptr;
    }
    if (segments <= 1) {
        total = count;
        return values;
    }
    if (m_complete || (segment == 0 && !m_segments.empty())) {
        clear(); // a new sweep begins
    }
    if (segment < 0 || segment >= segments) {
        return nullptr;
    }
    const auto seg = static_cast<std::uint8_t>(segment);
    if (std::find(m_segments.begin(), m_segments.end(), seg) != m_segments.end()) {
        clear();
    }
    m_segments.push_back(seg);
    m_values.insert(m_values.end(), values, values + count);
    if (static_cast<int>(m_segments.size()) < segments) {
        return nullptr;
    }
    if (!protocol.reorderSegments(m_values.data(), static_cast<int>(m_values.size()), m_segments.data(), segments)) {
        clear();
        return nullptr;
    }
    // The next add() starts a new sweep; the values stay readable until then.
    m_complete = true;
    total = static_cast<int>(m_values.size());
    return m_values.data();
}

} // namespace nolvo
