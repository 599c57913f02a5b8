// The byte-oriented LZ77 codec of stored strings: varint packets of literal runs and matches.
#pragma once
#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

namespace content {

// Decodes one compressed text. Throws ContentError "Malformed data while uncompressing" for a
// packet that points outside the output, and "Uncompressed data in message deemed too large"
// when the declared length exceeds maxLength. Input that ends early leaves a zero-filled tail.
std::string decompress(const uint8_t* data, size_t length,
                       uint64_t maxLength = std::numeric_limits<uint64_t>::max());
// The same into out, resized to the declared length; a buffer reused at that length is not
// cleared or reallocated first.
void decompressInto(const uint8_t* data, size_t length, std::string& out,
                    uint64_t maxLength = std::numeric_limits<uint64_t>::max());

// The declared uncompressed length, or nothing usable (returns false) when the varint is cut off.
bool peekUncompressedLength(const uint8_t* data, size_t length, uint64_t& out);

// Encodes with the hashed 12-way match finder; decompress(compress(t)) == t.
std::vector<uint8_t> compress(const std::string& text);

}  // namespace content
