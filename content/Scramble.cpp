#include "content/Scramble.h"

#include <cstring>
#include <vector>

namespace content {
namespace {

// The keystream depends only on the position, and k returns to the seed after one Collatz run,
// so the whole stream is one short cycle. Repeating that cycle into a table of a few KiB lets the
// hot loop xor whole table-sized blocks without any per-byte state, which compilers vectorise.
struct KeyTable {
    std::vector<uint8_t> bytes;

    KeyTable() {
        std::vector<uint8_t> cycle;
        uint64_t k = kScrambleSeed;
        do {
            k = (k & 1) ? 3 * k + 1 : k / 2;
            if (k == 1) k = kScrambleSeed;
            cycle.push_back(static_cast<uint8_t>(k));
        } while (k != kScrambleSeed);
        size_t repeats = (4096 + cycle.size() - 1) / cycle.size();
        for (size_t r = 0; r < repeats; ++r) bytes.insert(bytes.end(), cycle.begin(), cycle.end());
    }
};

const KeyTable& keyTable() {
    static const KeyTable table;
    return table;
}

// Xors n bytes with the key, sixteen at a time through a vector type so that the loop is wide
// at any optimisation level.
void xorBlock(uint8_t* d, const uint8_t* k, size_t n) {
    typedef uint8_t Lanes __attribute__((vector_size(16)));
    size_t i = 0;
    for (; i + 16 <= n; i += 16) {
        Lanes a, b;
        std::memcpy(&a, d + i, 16);
        std::memcpy(&b, k + i, 16);
        a ^= b;
        std::memcpy(d + i, &a, 16);
    }
    for (; i < n; ++i) d[i] ^= k[i];
}

}  // namespace

void scramble(uint8_t* data, size_t length) {
    const std::vector<uint8_t>& key = keyTable().bytes;
    const size_t block = key.size();
    for (size_t done = 0; done < length; done += block)
        xorBlock(data + done, key.data(), length - done < block ? length - done : block);
}

}  // namespace content
