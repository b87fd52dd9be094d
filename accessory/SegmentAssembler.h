#pragma once
// Puts the frames of one multi-frame sweep or power trace together: segments are appended in the
// order they arrive and, once all are there, the protocol object puts their values in order.
//
// Segment 0 starts a new sweep (whatever was pending is dropped); a segment number at or beyond
// the segment count is ignored; a segment that arrives twice means one was lost in between, so the
// pending values are dropped rather than mixed with another sweep's.
//
// Threads: one object belongs to one thread (the parser's).
#include <cstdint>
#include <vector>

namespace nolvo {

class AccessoryProtocol;

class SegmentAssembler {
public:
    // Adds `count` values of `segment` out of `segments`. Returns the complete, ordered values
    // (and their number in `total`) when this was the last missing segment, else null. With one
    // segment per sweep the input itself is returned. The returned pointer is valid until the next
    // call or clear().
    const float* add(const AccessoryProtocol& protocol, int segments, const float* values, int count, int segment,
                     int& total);
    void clear()
    {
        m_values.clear();
        m_segments.clear();
        m_complete = false;
    }
    bool empty() const { return m_segments.empty(); }

private:
    std::vector<float> m_values;
    std::vector<std::uint8_t> m_segments;
    bool m_complete = false; // the values are a handed-out sweep: the next add() starts afresh
};

} // namespace nolvo
