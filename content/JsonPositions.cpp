#include "content/JsonPositions.h"

#include <vector>

#include <nlohmann/json.hpp>

namespace content {

TextPosition positionAt(std::string_view text, size_t offset) {
    TextPosition p{1, 1};
    for (size_t i = 0; i < offset && i < text.size(); ++i) {
        if (text[i] == '\n') ++p.line, p.column = 1;
        else ++p.column;
    }
    return p;
}

std::string JsonPositions::child(const std::string& path, std::string_view member) {
    std::string out = path + "/";
    for (char c : member) {
        if (c == '~') out += "~0";
        else if (c == '/') out += "~1";
        else out += c;
    }
    return out;
}

std::string JsonPositions::child(const std::string& path, size_t index) { return path + "/" + std::to_string(index); }

namespace {

// Project files nest a few levels deep; below this depth positions are not kept, so that a
// pathologically nested file cannot make the paths grow with the square of its depth.
constexpr size_t kMaxDepth = 64;

struct Container {
    bool object = false;
    bool expectKey = false;
    size_t index = 0;
    std::string path, key;
};

}  // namespace

JsonPositions::JsonPositions(std::string_view text) {
    std::vector<Container> open;
    TextPosition here{1, 1};
    size_t i = 0;
    auto advance = [&](size_t to) {
        for (; i < to && i < text.size(); ++i) {
            if (text[i] == '\n') ++here.line, here.column = 1;
            else ++here.column;
        }
    };
    auto valuePath = [&]() -> std::string {
        if (open.empty()) return "";
        const Container& c = open.back();
        return c.object ? child(c.path, c.key) : child(c.path, c.index);
    };
    auto shallow = [&] { return open.size() <= kMaxDepth; };
    while (i < text.size()) {
        const char c = text[i];
        if (c == '{' || c == '[') {
            const std::string path = shallow() ? valuePath() : std::string();
            if (shallow()) values_.emplace(path, here);
            open.push_back({c == '{', c == '{', 0, path, {}});
            advance(i + 1);
        } else if (c == '}' || c == ']') {
            if (!open.empty()) open.pop_back();
            advance(i + 1);
        } else if (c == ',') {
            if (!open.empty()) {
                ++open.back().index;
                open.back().expectKey = open.back().object;
            }
            advance(i + 1);
        } else if (c == '"') {
            size_t end = i + 1;
            while (end < text.size() && text[end] != '"') end += text[end] == '\\' ? 2 : 1;
            const std::string_view token = text.substr(i, end + 1 - i);
            if (!open.empty() && open.back().expectKey) {
                Container& o = open.back();
                o.key = nlohmann::json::parse(token, nullptr, false).get<std::string>();
                o.expectKey = false;
                if (shallow()) keys_.emplace(child(o.path, o.key), here);
            } else if (shallow()) {
                values_.emplace(valuePath(), here);
            }
            advance(end + 1);
        } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ':') {
            advance(i + 1);
        } else {
            if (shallow()) values_.emplace(valuePath(), here);
            size_t end = i;
            while (end < text.size() && std::string_view(",]} \t\r\n").find(text[end]) == std::string_view::npos) ++end;
            advance(end);
        }
    }
}

TextPosition JsonPositions::value(const std::string& path) const {
    auto it = values_.find(path);
    return it == values_.end() ? TextPosition{} : it->second;
}

TextPosition JsonPositions::key(const std::string& path) const {
    auto it = keys_.find(path);
    return it == keys_.end() ? value(path) : it->second;
}

}  // namespace content
