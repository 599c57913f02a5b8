#include "content/BlockFile.h"

#include <cstring>
#include <memory>
#include <string>

#include "content/BinaryReader.h"
#include "content/ContentError.h"
#include "content/ISerializable.h"

namespace content {
namespace {

uint64_t fileSize(std::FILE* file) {
    std::fseek(file, 0, SEEK_END);
    long size = std::ftell(file);
    return size < 0 ? 0 : uint64_t(size);
}

}  // namespace

bool findTrailer(std::FILE* file, BlockLocation& out) {
    uint64_t size = fileSize(file);
    if (size < 8) return false;
    uint8_t trailer[8];
    std::fseek(file, long(size - 8), SEEK_SET);
    if (std::fread(trailer, 1, 8, file) != 8 || std::memcmp(trailer + 4, "DEMO", 4) != 0) return false;
    uint32_t blockSize;
    std::memcpy(&blockSize, trailer, 4);
    if (uint64_t(blockSize) + 8 > size)
        throw ContentError("Corrupt content trailer: it names a block of " + std::to_string(blockSize) +
                           " bytes in a file of " + std::to_string(size) + " bytes");
    out = {size - 8 - blockSize, blockSize, true};
    return true;
}

BlockLocation wholeFile(std::FILE* file) { return {0, fileSize(file), false}; }

BlockLocation locateBlock(std::FILE* file) {
    BlockLocation where;
    if (findTrailer(file, where)) return where;
    return wholeFile(file);
}

BlockLocation readDemoFile(const std::string& path, ISerializable& demo) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!file) throw ContentError("Cannot open " + path);
    BlockLocation where = locateBlock(file.get());
    std::fseek(file.get(), long(where.offset), SEEK_SET);
    BinaryReader in(file.get(), where.size);
    demo.readBinary(in);
    return where;
}

std::vector<uint8_t> appendBlock(std::vector<uint8_t> executable, const std::vector<uint8_t>& block) {
    if (block.size() >= (1ull << 31) - 8) throw ContentError("The content block is too large to append (2 GiB limit)");
    executable.insert(executable.end(), block.begin(), block.end());
    uint32_t size = uint32_t(block.size());
    const uint8_t* s = reinterpret_cast<const uint8_t*>(&size);
    executable.insert(executable.end(), s, s + 4);
    executable.insert(executable.end(), {'D', 'E', 'M', 'O'});
    return executable;
}

}  // namespace content
