#include "content/StringCodec.h"

#include <array>
#include <cstring>

#include "content/ContentError.h"

namespace content {
namespace {

constexpr const char* kMalformed = "Malformed data while uncompressing";

// A varint cut off by the end of the input yields what was read so far.
[[gnu::noinline]] uint64_t longVarint(const uint8_t*& in, const uint8_t* end) {
    uint64_t value = 0;
    for (int shift = 0; in < end; shift += 7) {
        const uint8_t b = *in++;
        if (shift < 64) value |= uint64_t(b & 0x7f) << shift;
        if (!(b & 0x80)) break;
    }
    return value;
}

// The varints of a packet stream take one to three bytes but for rare long lengths.
inline uint64_t nextVarint(const uint8_t*& in, const uint8_t* end) {
    if (end - in >= 3) {
        const uint64_t b0 = in[0], b1 = in[1], b2 = in[2];
        if (b0 < 0x80) return in += 1, b0;
        if (b1 < 0x80) return in += 2, (b0 & 0x7f) | b1 << 7;
        if (b2 < 0x80) return in += 3, (b0 & 0x7f) | (b1 & 0x7f) << 7 | b2 << 14;
    }
    return longVarint(in, end);
}

// Copies of up to 15 bytes past the wanted length, in 16-byte steps, where the output has room
// for them: later packets or the final zero fill overwrite the excess.
constexpr size_t kWildCopy = 16;

void copy16(char* to, const void* from) { std::memcpy(to, from, kWildCopy); }

void copyLiteral(char* dst, const uint8_t* src, size_t count, size_t room, size_t available) {
    if (count <= kWildCopy && room >= kWildCopy && available >= kWildCopy) copy16(dst, src);
    else std::memcpy(dst, src, count);
}

// A match may overlap the bytes it produces; steps no longer than the distance read only bytes
// already written. Short matches take two wide copies, long ones the library's copy.
void copyMatch(char* dst, size_t distance, size_t count, size_t room) {
    const char* src = dst - distance;
    if (distance >= kWildCopy && count <= 2 * kWildCopy && room >= 2 * kWildCopy) {
        copy16(dst, src);
        copy16(dst + kWildCopy, src + kWildCopy);
    } else if (distance >= count) {
        std::memcpy(dst, src, count);
    } else if (distance >= kWildCopy && room >= count + kWildCopy - 1) {
        for (size_t i = 0; i < count; i += kWildCopy) copy16(dst + i, src + i);
    } else {
        for (size_t i = 0; i < count; ++i) dst[i] = src[i];
    }
}

void putVarint(std::vector<uint8_t>& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(uint8_t(v) | 0x80);
        v >>= 7;
    }
    out.push_back(uint8_t(v));
}

}  // namespace

bool peekUncompressedLength(const uint8_t* data, size_t length, uint64_t& out) {
    const uint8_t* in = data;
    out = nextVarint(in, data + length);
    return length > 0;
}

void decompressInto(const uint8_t* data, size_t length, std::string& out, uint64_t maxLength) {
    const uint8_t* in = data;
    const uint8_t* const inEnd = data + length;
    const uint64_t total = nextVarint(in, inEnd);
    if (total > maxLength) throw ContentError("Uncompressed data in message deemed too large");
    out.resize(total);
    char* const begin = out.data();
    char* const end = begin + total;
    char* dst = begin;
    while (dst < end && in < inEnd) {
        const uint64_t v = nextVarint(in, inEnd);
        const size_t room = size_t(end - dst);
        if (v & 1) {
            const uint64_t run = v >> 1;
            if (run > room) throw ContentError(kMalformed);
            // A literal run may be cut off by the end of the input; the tail is zero-filled below.
            const size_t available = size_t(inEnd - in);
            const size_t copy = run < available ? size_t(run) : available;
            copyLiteral(dst, in, copy, room, available);
            in += copy;
            dst += copy;
        } else {
            const uint64_t w = v >> 1;
            const uint64_t distance = w >> 3;
            uint64_t n = w & 7;
            if (n == 0) n = nextVarint(in, inEnd);
            if (n > room || n + 4 > room) throw ContentError(kMalformed);
            if (distance == 0 || distance > uint64_t(dst - begin)) throw ContentError(kMalformed);
            copyMatch(dst, size_t(distance), size_t(n + 4), room);
            dst += n + 4;
        }
    }
    // Input that ends early leaves zeros, also over what wide copies wrote past the last packet.
    std::memset(dst, 0, size_t(end - dst));
}

std::string decompress(const uint8_t* data, size_t length, uint64_t maxLength) {
    std::string out;
    decompressInto(data, length, out, maxLength);
    return out;
}

namespace {

constexpr size_t kBuckets = 4096;
constexpr size_t kWays = 12;

uint32_t hash5(const uint8_t* p) {
    uint32_t h = 2166136261u;
    for (int i = 0; i < 5; ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h % kBuckets;
}

size_t varintSize(uint64_t v) {
    size_t n = 1;
    while (v >= 0x80) {
        v >>= 7;
        ++n;
    }
    return n;
}

size_t matchPacketSize(size_t distance, size_t length) {
    if (length <= 11) return varintSize(((distance << 3) | (length - 4)) << 1);
    return varintSize((distance << 3) << 1) + varintSize(length - 4);
}

struct Bucket {
    std::array<uint32_t, kWays> positions{};
    uint8_t used = 0;
    uint8_t next = 0;

    void remember(uint32_t pos) {
        positions[next] = pos;
        next = uint8_t((next + 1) % kWays);
        if (used < kWays) ++used;
    }
};

}  // namespace

std::vector<uint8_t> compress(const std::string& text) {
    const uint8_t* src = reinterpret_cast<const uint8_t*>(text.data());
    const size_t n = text.size();
    std::vector<uint8_t> out;
    out.reserve(n / 2 + 16);
    putVarint(out, n);
    std::vector<Bucket> buckets(kBuckets);
    size_t literalStart = 0;
    auto flushLiterals = [&](size_t end) {
        if (end == literalStart) return;
        putVarint(out, ((end - literalStart) << 1) | 1);
        out.insert(out.end(), src + literalStart, src + end);
    };
    size_t pos = 0;
    while (pos < n) {
        if (n - pos <= 4) {
            pos = n;
            break;
        }
        Bucket& bucket = buckets[hash5(src + pos)];
        size_t bestLength = 0, bestDistance = 0;
        long bestGain = 0;
        for (size_t i = 0; i < bucket.used; ++i) {
            size_t cand = bucket.positions[i];
            size_t len = 0;
            while (pos + len < n && src[cand + len] == src[pos + len]) ++len;
            if (len <= 4) continue;
            long gain = long(len) - long(matchPacketSize(pos - cand, len));
            if (gain > bestGain) {
                bestGain = gain;
                bestLength = len;
                bestDistance = pos - cand;
            }
        }
        bucket.remember(uint32_t(pos));
        if (bestLength > 4) {
            flushLiterals(pos);
            size_t code = bestLength <= 11 ? bestLength - 4 : 0;
            putVarint(out, ((bestDistance << 3) | code) << 1);
            if (code == 0) putVarint(out, bestLength - 4);
            pos += bestLength;
            literalStart = pos;
        } else {
            ++pos;
        }
    }
    flushLiterals(n);
    return out;
}

}  // namespace content
