// Bounds-checked reading of the binary primitives from a content block held in a file or in memory.
// Every length and count is checked against what the block still holds before anything is
// allocated; a violation throws ContentError naming the record kind and the byte offset.
#pragma once
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

namespace content {

class BinaryReader {
public:
    // Reads at most `size` bytes from the file's current position.
    BinaryReader(std::FILE* file, uint64_t size);
    BinaryReader(const uint8_t* data, uint64_t size);

    uint64_t offset() const { return offset_; }
    uint64_t remaining() const { return size_ - offset_; }
    uint64_t size() const { return size_; }

    void read(void* dst, uint64_t length);
    uint8_t u8();
    bool boolean() { return u8() != 0; }
    int32_t i32();
    uint64_t u64();
    float f32();
    std::string string();
    // A byte buffer: its length, then that many bytes read in one piece and unscrambled in place.
    std::unique_ptr<uint8_t[]> bytes(uint64_t& length);
    // A list count, checked against the smallest stored size of one element.
    uint64_t count(uint64_t minElementSize);

    // Memory that reading creates beyond the stored bytes (decompressed text, pins made by pin
    // synchronisation) is charged here, so a small block can never make the reader allocate much.
    void charge(uint64_t bytes);

    // Names the record being read, for error messages; returns the previous name.
    const char* enterRecord(const char* kind);
    [[noreturn]] void fail(const std::string& what) const;

private:
    template <class T>
    T number();
    void need(uint64_t length, const char* what) const;
    [[noreturn]] void pastEnd(uint64_t lengthAt, const char* what, uint64_t length);

    std::FILE* file_ = nullptr;
    const uint8_t* memory_ = nullptr;
    uint64_t size_ = 0;
    uint64_t offset_ = 0;
    uint64_t budget_ = 0;
    const char* record_ = "content block";
};

// Keeps the record name for the duration of one record's read.
class RecordScope {
public:
    RecordScope(BinaryReader& in, const char* kind) : in_(in), previous_(in.enterRecord(kind)) {}
    ~RecordScope() { in_.enterRecord(previous_); }
    RecordScope(const RecordScope&) = delete;
    RecordScope& operator=(const RecordScope&) = delete;

private:
    BinaryReader& in_;
    const char* previous_;
};

}  // namespace content
