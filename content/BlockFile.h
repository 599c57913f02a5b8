// Finding a content block in a file (a show executable with the "DEMO" trailer, or a bare block)
// and reading or appending one.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

class ISerializable;

namespace content {

struct BlockLocation {
    uint64_t offset = 0;
    uint64_t size = 0;
    bool inExecutable = false;  // found behind a "DEMO" trailer
};

// A file that ends with a size and "DEMO" holds its block before them. Returns false when the
// file has no such trailer; throws ContentError when the size does not fit in the file, since
// such a show is damaged and must not pass for some other content.
bool findTrailer(std::FILE* file, BlockLocation& out);

// The whole file as a block ("content.dat" has no trailer).
BlockLocation wholeFile(std::FILE* file);

// The block of a file: behind the trailer when there is one, else the whole file.
BlockLocation locateBlock(std::FILE* file);

// Reads a show (its Demo record) from a show executable or a bare block. Throws ContentError for a
// file that cannot be opened or a corrupt block.
BlockLocation readDemoFile(const std::string& path, ISerializable& demo);

// Appends block, its 32-bit size and "DEMO" to a copy of the executable bytes.
std::vector<uint8_t> appendBlock(std::vector<uint8_t> executable, const std::vector<uint8_t>& block);

}  // namespace content
