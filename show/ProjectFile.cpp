#include "show/ProjectFile.h"

#include <fstream>

#include "content/ContentError.h"
#include "show/Demo.h"

namespace content {

void readProjectFile(const std::filesystem::path& projectJson, Demo& demo) {
    std::ifstream in(projectJson);
    if (!in) throw ContentError("Cannot open " + projectJson.string());
    Json json = Json::parse(in, nullptr, false);
    if (json.is_discarded() || !json.is_object()) throw ContentError(projectJson.string() + " is not a JSON object");
    JsonFiles files;
    files.folder = projectJson.parent_path().empty() ? std::filesystem::path(".") : projectJson.parent_path();
    demo.fromJson(json, files);
}

}  // namespace content
