// Where each value and key of a JSON text stands, for messages of the form FILE:LINE:COLUMN. The
// parsed document carries no positions, so the text is scanned once more beside it.
#pragma once
#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace content {

struct TextPosition {
    int line = 0;    // 1-based; 0 means unknown
    int column = 0;  // 1-based, in bytes
};

// The position of byte `offset` in `text`.
TextPosition positionAt(std::string_view text, size_t offset);

// Paths are JSON pointers ("/events/3/start_beat"; "" is the whole document).
class JsonPositions {
public:
    // The text must be valid JSON (parse it first); nesting is walked without recursion.
    explicit JsonPositions(std::string_view text);

    TextPosition value(const std::string& path) const;
    // Where the member's key is written; for array elements and the root, the value's position.
    TextPosition key(const std::string& path) const;

    // A path one level down: an object member (escaped as JSON pointers require) or an element.
    static std::string child(const std::string& path, std::string_view member);
    static std::string child(const std::string& path, size_t index);

private:
    std::unordered_map<std::string, TextPosition> values_, keys_;
};

}  // namespace content
