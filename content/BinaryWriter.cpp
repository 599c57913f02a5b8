#include "content/BinaryWriter.h"

#include "content/Scramble.h"
#include "content/StringCodec.h"

namespace content {

void BinaryWriter::write(const void* data, uint64_t length) {
    const uint8_t* p = static_cast<const uint8_t*>(data);
    out_.insert(out_.end(), p, p + length);
}

void BinaryWriter::string(const std::string& text) {
    std::vector<uint8_t> packed = compress(text);
    scramble(packed.data(), packed.size());
    u64(packed.size());
    write(packed.data(), packed.size());
}

void BinaryWriter::bytes(const uint8_t* data, uint64_t length) {
    u64(length);
    size_t at = out_.size();
    write(data, length);
    scramble(out_.data() + at, length);
}

uint64_t BinaryWriter::assignKey(const void* record) {
    auto [it, inserted] = keys_.emplace(record, nextKey_);
    if (inserted) ++nextKey_;
    return it->second;
}

uint64_t BinaryWriter::keyOf(const void* record) const {
    if (!record) return 0;
    auto it = keys_.find(record);
    return it == keys_.end() ? 0 : it->second;
}

}  // namespace content
