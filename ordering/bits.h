#pragma once

#include <cstdint>

namespace antorder {

// The number of bits set, in a few steps on any processor.
inline int bitCount(std::uint64_t bits) {
  bits -= (bits >> 1u) & 0x5555555555555555u;
  bits = (bits & 0x3333333333333333u) + ((bits >> 2u) & 0x3333333333333333u);
  bits = (bits + (bits >> 4u)) & 0x0F0F0F0F0F0F0F0Fu;
  return static_cast<int>((bits * 0x0101010101010101u) >> 56u);
}

}  // namespace antorder
