#include "tests/TestSupport.h"

#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>

namespace testing_support {

ScratchDir::ScratchDir(const std::string& name) {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() / (name + "-" + std::to_string(rd()));
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
}

ScratchDir::~ScratchDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<uint8_t> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string readText(const std::filesystem::path& path) {
    const std::vector<uint8_t> bytes = readFile(path);
    return std::string(bytes.begin(), bytes.end());
}

void writeFile(const std::filesystem::path& path, const std::string& text) {
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary);
    out << text;
}

void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes) {
    writeFile(path, std::string(bytes.begin(), bytes.end()));
}

std::string toolPath(const std::string& name) {
    const char* dir = std::getenv("DEMO_TOOL_DIR");
    return std::string(dir && *dir ? dir : DEMO_BINARY_DIR) + "/" + name;
}

}  // namespace testing_support
