// Writing the binary primitives of a content block, and the object keys that records use to
// refer to each other. Keys are assigned in order of registration, so the same show always
// packs to the same bytes.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace content {

class BinaryWriter {
public:
    const std::vector<uint8_t>& bytes() const { return out_; }
    std::vector<uint8_t>& bytes() { return out_; }

    void write(const void* data, uint64_t length);
    void u8(uint8_t v) { write(&v, 1); }
    void boolean(bool v) { u8(v ? 1 : 0); }
    void i32(int32_t v) { write(&v, 4); }
    void u32(uint32_t v) { write(&v, 4); }
    void u64(uint64_t v) { write(&v, 8); }
    void f32(float v) { write(&v, 4); }
    void string(const std::string& text);
    void bytes(const uint8_t* data, uint64_t length);

    // Gives a record the next key (1, 2, ...); a record registered twice keeps its first key.
    uint64_t assignKey(const void* record);
    // The key of a registered record; 0 for null or for a record that is not in the block.
    uint64_t keyOf(const void* record) const;
    void reference(const void* record) { u64(keyOf(record)); }

private:
    std::vector<uint8_t> out_;
    std::unordered_map<const void*, uint64_t> keys_;
    uint64_t nextKey_ = 1;
};

}  // namespace content
