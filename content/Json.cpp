#include "content/Json.h"

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string_view>

#include "content/ContentError.h"

namespace content {
namespace {

const Json& field(const Json& object, const char* key) {
    static const Json null;
    if (!object.is_object()) return null;
    auto it = object.find(key);
    return it == object.end() ? null : *it;
}

}  // namespace

bool jsonHas(const Json& object, const char* key) {
    return object.is_object() && object.contains(key);
}

int64_t asJsonInt(const Json& v) {
    if (v.is_number_integer()) return v.is_number_unsigned() ? int64_t(v.get<uint64_t>()) : v.get<int64_t>();
    return 0;
}

float asJsonFloat(const Json& v) {
    return v.is_number_float() ? v.get<float>() : 0.0f;
}

int64_t jsonInt(const Json& object, const char* key) { return asJsonInt(field(object, key)); }
float jsonFloat(const Json& object, const char* key) { return asJsonFloat(field(object, key)); }

bool jsonBool(const Json& object, const char* key) {
    const Json& v = field(object, key);
    return v.is_boolean() && v.get<bool>();
}

std::string jsonString(const Json& object, const char* key) {
    const Json& v = field(object, key);
    return v.is_string() ? v.get<std::string>() : std::string();
}

const Json& jsonArray(const Json& object, const char* key) {
    static const Json empty = Json::array();
    const Json& v = field(object, key);
    return v.is_array() ? v : empty;
}

namespace {
const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

std::string base64Encode(const uint8_t* data, size_t length) {
    std::string out;
    out.reserve((length + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 2 < length; i += 3) {
        uint32_t v = (data[i] << 16) | (data[i + 1] << 8) | data[i + 2];
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += kAlphabet[(v >> 6) & 63];
        out += kAlphabet[v & 63];
    }
    if (i < length) {
        uint32_t v = data[i] << 16;
        if (i + 1 < length) v |= data[i + 1] << 8;
        out += kAlphabet[v >> 18];
        out += kAlphabet[(v >> 12) & 63];
        out += i + 1 < length ? kAlphabet[(v >> 6) & 63] : '=';
        out += '=';
    }
    return out;
}

std::vector<uint8_t> base64Decode(const std::string& text) {
    int8_t table[256];
    std::fill(std::begin(table), std::end(table), int8_t(-1));
    for (int i = 0; i < 64; ++i) table[uint8_t(kAlphabet[i])] = int8_t(i);
    std::vector<uint8_t> out;
    out.reserve(text.size() / 4 * 3);
    uint32_t acc = 0;
    int bits = 0;
    for (char c : text) {
        if (c == '=') break;
        int8_t v = table[uint8_t(c)];
        if (v < 0) continue;
        acc = (acc << 6) | uint32_t(v);
        bits += 6;
        if (bits >= 8) {
            bits -= 8;
            out.push_back(uint8_t(acc >> bits));
        }
    }
    return out;
}

namespace {

// Shows made on Windows name their media with backslashes; on this side they are folders too.
std::filesystem::path localPath(const std::string& name) {
    std::string path = name;
    std::replace(path.begin(), path.end(), '\\', '/');
    return std::filesystem::path(path);
}

}  // namespace

// A colon is refused too: it marks a drive letter, which makes a Windows name absolute.
bool JsonFiles::isSafeName(const std::string& name) {
    std::filesystem::path p = localPath(name);
    if (name.empty() || p.is_absolute() || p.has_root_name() || p.has_root_directory()) return false;
    if (name.find(':') != std::string::npos) return false;
    for (const auto& part : p)
        if (part == "..") return false;
    return true;
}

void JsonFiles::checkSafeName(const std::string& name) {
    if (!isSafeName(name))
        throw ContentError("Refusing to write a file outside the output folder: \"" + name + "\"");
}

std::filesystem::path JsonFiles::resolve(const std::string& name) const {
    return folder / localPath(name);
}

std::vector<uint8_t> JsonFiles::load(const std::string& name) const {
    std::ifstream in(resolve(name), std::ios::binary);
    if (!in) throw ContentError("File not found: " + name);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool JsonFiles::trySave(const std::string& name, const uint8_t* data, size_t length) const {
    return isSafeName(name) && save(name, data, length);
}

bool JsonFiles::save(const std::string& name, const uint8_t* data, size_t length) const {
    checkSafeName(name);
    std::pair<size_t, size_t> fingerprint{
        length, std::hash<std::string_view>()(std::string_view(reinterpret_cast<const char*>(data), length))};
    auto [it, fresh] = written_.emplace(name, fingerprint);
    if (!fresh) return it->second == fingerprint;
    std::filesystem::path path = resolve(name);
    if (path.has_parent_path()) std::filesystem::create_directories(path.parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) throw ContentError("Cannot write file: " + path.string());
    out.write(reinterpret_cast<const char*>(data), std::streamsize(length));
    return true;
}

}  // namespace content
