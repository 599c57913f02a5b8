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

}  // namespace content
