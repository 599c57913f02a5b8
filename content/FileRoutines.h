// Whole-file helpers of the JSON side: shader sources and other texts, and binary output.
#pragma once
#include <cstdint>
#include <string>

namespace content {

// The whole file as text. A missing file prints a warning and yields the empty text, so a
// project with a lost shader file still loads.
std::string loadTextFile(const std::string& path);

void saveBinaryFile(const std::string& path, const void* data, uint64_t length);

}  // namespace content
