#pragma once
// Byte encodings of the float lists kept in the settings store.
//
// A float list is its elements only (f32, little-endian); its count is the blob size / 4.
// A list of float lists is, for each inner list in order, its element count (u32) followed by its
// elements, with no header. Decoding a damaged list of lists keeps the complete blocks before the
// damage.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/Data.h"

namespace nolvo {

engine::Data encodeFloats(const std::vector<float>& values);
std::vector<float> decodeFloats(const std::uint8_t* bytes, std::size_t size);

engine::Data encodeFloatLists(const std::vector<std::vector<float>>& lists);
std::vector<std::vector<float>> decodeFloatLists(const std::uint8_t* bytes, std::size_t size);

} // namespace nolvo
