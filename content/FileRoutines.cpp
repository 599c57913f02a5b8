#include "content/FileRoutines.h"

#include <cstdio>
#include <fstream>
#include <iterator>

namespace content {

std::string loadTextFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::printf("File %s not found! Returning empty string, with possibly bad outcomes...\n", path.c_str());
        return std::string();
    }
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void saveBinaryFile(const std::string& path, const void* data, uint64_t length) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(static_cast<const char*>(data), std::streamsize(length));
}

}  // namespace content
