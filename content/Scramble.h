// The xor keystream that hides strings and byte buffers in a content block.
#pragma once
#include <cstddef>
#include <cstdint>

namespace content {

// Shared by every writer and reader of this project's content blocks.
inline constexpr uint32_t kScrambleSeed = 719;

// Xors data with the keystream that starts at the seed; applying it twice restores the data.
void scramble(uint8_t* data, size_t length);

}  // namespace content
