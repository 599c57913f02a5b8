#include "content/BinaryReader.h"

#include <cstring>

#include "content/ContentError.h"
#include "content/Scramble.h"
#include "content/StringCodec.h"

namespace content {
namespace {

// Decompressed text and synthesised pins may exceed the stored bytes by this much in total,
// plus a few times the block's own size: generous for real shows, tiny for a forged count.
constexpr uint64_t kExpansionAllowance = 64ull << 20;
constexpr uint64_t kExpansionFactor = 4;

}  // namespace

BinaryReader::BinaryReader(std::FILE* file, uint64_t size)
    : file_(file), size_(size), budget_(size * kExpansionFactor + kExpansionAllowance) {}

BinaryReader::BinaryReader(const uint8_t* data, uint64_t size)
    : memory_(data), size_(size), budget_(size * kExpansionFactor + kExpansionAllowance) {}

const char* BinaryReader::enterRecord(const char* kind) {
    const char* previous = record_;
    record_ = kind;
    return previous;
}

void BinaryReader::fail(const std::string& what) const {
    throw ContentError("Corrupt content block: " + what + " in " + record_ + " at byte offset " +
                       std::to_string(offset_));
}

void BinaryReader::need(uint64_t length, const char* what) const {
    if (length > remaining())
        fail(std::string(what) + " of " + std::to_string(length) + " bytes runs past the end (" +
             std::to_string(remaining()) + " bytes left)");
}

void BinaryReader::pastEnd(uint64_t lengthAt, const char* what, uint64_t length) {
    uint64_t left = remaining();
    offset_ = lengthAt;
    fail(std::string(what) + " of " + std::to_string(length) + " bytes runs past the end (" +
         std::to_string(left) + " bytes left)");
}

void BinaryReader::charge(uint64_t bytes) {
    if (bytes > budget_) fail("content expands to more memory than the block can hold");
    budget_ -= bytes;
}

void BinaryReader::read(void* dst, uint64_t length) {
    need(length, "a field");
    if (memory_) {
        std::memcpy(dst, memory_ + offset_, length);
    } else if (std::fread(dst, 1, length, file_) != length) {
        fail("the file ended early");
    }
    offset_ += length;
}

template <class T>
T BinaryReader::number() {
    T v;
    read(&v, sizeof v);
    return v;
}

uint8_t BinaryReader::u8() { return number<uint8_t>(); }
int32_t BinaryReader::i32() { return number<int32_t>(); }
uint64_t BinaryReader::u64() { return number<uint64_t>(); }
float BinaryReader::f32() { return number<float>(); }

uint64_t BinaryReader::count(uint64_t minElementSize) {
    uint64_t at = offset_;
    uint64_t n = u64();
    if (minElementSize > 0 && n > remaining() / minElementSize) {
        offset_ = at;
        fail("a count of " + std::to_string(n) + " elements cannot fit in the " +
             std::to_string(remaining() - 8) + " bytes left");
    }
    return n;
}

std::string BinaryReader::string() {
    uint64_t at = offset_;
    uint64_t length = u64();
    if (length > remaining()) pastEnd(at, "a string", length);
    std::unique_ptr<uint8_t[]> stored(new uint8_t[length ? length : 1]);
    read(stored.get(), length);
    scramble(stored.get(), length);
    uint64_t declared = 0;
    peekUncompressedLength(stored.get(), length, declared);
    if (declared > budget_) {
        offset_ = at;
        fail("a string declares " + std::to_string(declared) + " uncompressed bytes");
    }
    try {
        std::string text = decompress(stored.get(), length);
        charge(text.size());
        return text;
    } catch (const ContentError& e) {
        offset_ = at;
        fail(e.what());
    }
}

std::unique_ptr<uint8_t[]> BinaryReader::bytes(uint64_t& length) {
    uint64_t at = offset_;
    length = u64();
    if (length > remaining()) pastEnd(at, "a byte buffer", length);
    std::unique_ptr<uint8_t[]> data(new uint8_t[length ? length : 1]);
    read(data.get(), length);
    scramble(data.get(), length);
    return data;
}

}  // namespace content
