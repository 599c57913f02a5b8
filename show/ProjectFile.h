// Reading a project in its JSON form: the file's folder is where its media paths start.
#pragma once
#include <filesystem>

class Demo;

namespace content {

// Throws ContentError when the file cannot be read, is not a JSON object, or names a missing file.
void readProjectFile(const std::filesystem::path& projectJson, Demo& demo);

}  // namespace content
