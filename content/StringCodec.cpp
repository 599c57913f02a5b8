#include "content/StringCodec.h"

#include <array>
#include <cstring>

#include "content/ContentError.h"

namespace content {
namespace {

constexpr const char* kMalformed = "Malformed data while uncompressing";

struct VarintInput {
    const uint8_t* data;
    size_t length;
    size_t pos = 0;

    bool atEnd() const { return pos >= length; }

    // A varint cut off by the end of the input yields what was read so far.
    uint64_t next() {
        uint64_t value = 0;
        for (int shift = 0; pos < length; shift += 7) {
            uint8_t b = data[pos++];
            if (shift < 64) value |= uint64_t(b & 0x7f) << shift;
            if (!(b & 0x80)) break;
        }
        return value;
    }
};

void putVarint(std::vector<uint8_t>& out, uint64_t v) {
    while (v >= 0x80) {
        out.push_back(uint8_t(v) | 0x80);
        v >>= 7;
    }
    out.push_back(uint8_t(v));
}

}  // namespace

bool peekUncompressedLength(const uint8_t* data, size_t length, uint64_t& out) {
    VarintInput in{data, length};
    out = in.next();
    return length > 0;
}

std::string decompress(const uint8_t* data, size_t length, uint64_t maxLength) {
    VarintInput in{data, length};
    uint64_t total = in.next();
    if (total > maxLength) throw ContentError("Uncompressed data in message deemed too large");
    std::string out(total, '\0');
    uint64_t produced = 0;
    while (produced < total && !in.atEnd()) {
        uint64_t v = in.next();
        uint64_t room = total - produced;
        if (v & 1) {
            uint64_t run = v >> 1;
            if (run > room) throw ContentError(kMalformed);
            // A literal run may be cut off by the end of the input; the tail stays zero.
            uint64_t avail = in.length - in.pos;
            uint64_t copy = run < avail ? run : avail;
            std::memcpy(out.data() + produced, in.data + in.pos, copy);
            in.pos += copy;
            produced += run;
        } else {
            uint64_t w = v >> 1;
            uint64_t n = w & 7;
            uint64_t distance = w >> 3;
            if (n == 0) n = in.next();
            if (n > room || n + 4 > room) throw ContentError(kMalformed);
            if (distance == 0 || distance > produced) throw ContentError(kMalformed);
            char* dst = out.data() + produced;
            const char* src = dst - distance;
            uint64_t count = n + 4;
            if (distance >= count) {
                std::memcpy(dst, src, count);
            } else {
                for (uint64_t i = 0; i < count; ++i) dst[i] = src[i];
            }
            produced += count;
        }
    }
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
