// JSON side of content records: typed reads that never convert between JSON kinds, base64 for
// embedded media, and the folder that media files are read from or written to.
#pragma once
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <nlohmann/json.hpp>

namespace content {

using Json = nlohmann::json;

// Absent keys read as null; a value of another JSON kind reads as zero, false or empty.
int64_t jsonInt(const Json& object, const char* key);
float jsonFloat(const Json& object, const char* key);
bool jsonBool(const Json& object, const char* key);
std::string jsonString(const Json& object, const char* key);
bool jsonHas(const Json& object, const char* key);
// The same rules for one value rather than a key.
int64_t asJsonInt(const Json& value);
float asJsonFloat(const Json& value);
// The array under a key, or an empty array.
const Json& jsonArray(const Json& object, const char* key);

std::string base64Encode(const uint8_t* data, size_t length);
// Characters outside the alphabet are skipped; decoding stops at the first "=".
std::vector<uint8_t> base64Decode(const std::string& text);

// Where media files live for JSON reading and writing. Names are relative to `folder`.
struct JsonFiles {
    std::filesystem::path folder = ".";
    // Write media to files named after the records instead of embedding base64.
    bool externalise = false;

    // Reads a whole media file; throws ContentError "File not found: NAME" when it is missing.
    std::vector<uint8_t> load(const std::string& name) const;
    // Writes a media file. Throws ContentError for a name that is absolute or climbs out of the
    // folder. Returns false, writing nothing, when this export already wrote other bytes under
    // that name: the caller then embeds its bytes so that nothing is lost.
    bool save(const std::string& name, const uint8_t* data, size_t length) const;
    // The same, but an unsafe name also returns false instead of throwing.
    bool trySave(const std::string& name, const uint8_t* data, size_t length) const;
    std::filesystem::path resolve(const std::string& name) const;
    // Throws ContentError when a name would leave the folder.
    static void checkSafeName(const std::string& name);
    static bool isSafeName(const std::string& name);

private:
    // What this export has written so far: name -> (size, hash of the bytes).
    mutable std::map<std::string, std::pair<size_t, size_t>> written_;
};

}  // namespace content
