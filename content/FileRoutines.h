// Whole-file reading of texts for the JSON side: shader sources.
#pragma once
#include <string>

namespace content {

// The whole file as text. A missing file prints a warning and yields the empty text, so a
// project with a lost shader file still loads.
std::string loadTextFile(const std::string& path);

}  // namespace content
