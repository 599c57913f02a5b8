// Helpers shared by the tests: binary round trips and scratch folders.
#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/BinaryReader.h"
#include "content/BinaryWriter.h"

namespace testing_support {

template <class T>
std::vector<uint8_t> toBytes(const T& record) {
    content::BinaryWriter out;
    record.writeBinary(out);
    return out.bytes();
}

// Reads a record and checks that it consumed exactly the given bytes.
template <class T>
std::unique_ptr<T> fromBytes(const std::vector<uint8_t>& bytes) {
    content::BinaryReader in(bytes.data(), bytes.size());
    auto record = std::make_unique<T>();
    record->readBinary(in);
    EXPECT_EQ(in.remaining(), 0u) << "record left bytes unread";
    return record;
}

// A fresh empty folder under the system's temporary folder, removed with the object.
class ScratchDir {
public:
    explicit ScratchDir(const std::string& name);
    ~ScratchDir();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

std::vector<uint8_t> readFile(const std::filesystem::path& path);
std::string readText(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const std::string& text);
void writeFile(const std::filesystem::path& path, const std::vector<uint8_t>& bytes);

// The path of one of our programs (demoplayer, demopack): from DEMO_TOOL_DIR when set, so that the
// process tests can run the release programs too, else from this build.
std::string toolPath(const std::string& name);

}  // namespace testing_support
