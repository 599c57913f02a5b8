#include "shaders/ShaderSource.h"

#include <cstdio>

#include "shaders/ShaderProgram.h"

namespace {

std::vector<std::string> splitLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
        lines.push_back(text.substr(start, end - start));
    lines.push_back(text.substr(start));
    return lines;
}

size_t lineOf(const std::string& text, size_t offset) {
    size_t n = 0;
    for (size_t i = 0; i < offset; ++i) n += text[i] == '\n';
    return n;
}

// The position in one line of a log: Mesa writes "0:12(7): error: ...", others "0(12) : error ...".
bool parsePosition(const std::string& line, int& row, int& column, size_t& rest) {
    int source = 0, used = 0;
    column = 0;
    if (std::sscanf(line.c_str(), "%d:%d(%d):%n", &source, &row, &column, &used) == 3 && used > 0) {
        rest = size_t(used);
        return true;
    }
    used = 0;
    if (std::sscanf(line.c_str(), "%d(%d) :%n", &source, &row, &used) == 2 && used > 0) {
        rest = size_t(used);
        return true;
    }
    return false;
}

}  // namespace

MappedSource wholeFile(const std::string& text, const std::string& file) {
    MappedSource m{text, {}};
    const size_t count = splitLines(text).size();
    for (size_t i = 0; i < count; ++i) m.lines.push_back({file, int(i + 1)});
    return m;
}

MappedSource resolveIncludes(const ShaderProgram& self, const std::vector<const ShaderProgram*>& programs) {
    MappedSource m = wholeFile(self.fragmentSource, self.fragmentFilename);
    for (const ShaderProgram* other : programs) {
        if (!other || other == &self) continue;
        const std::string include = "#include \"" + other->fragmentFilename + "\"";
        const size_t at = m.text.find(include);
        if (at == std::string::npos) continue;
        m.text.replace(at, include.size(), other->fragmentSource);
        const size_t row = lineOf(m.text, at);
        const MappedSource inserted = wholeFile(other->fragmentSource, other->fragmentFilename);
        m.lines.erase(m.lines.begin() + long(row));
        m.lines.insert(m.lines.begin() + long(row), inserted.lines.begin(), inserted.lines.end());
    }
    return m;
}

MappedSource followEdits(const MappedSource& original, const std::string& changed, const std::string& insertedFrom) {
    const std::vector<std::string> before = splitLines(original.text), after = splitLines(changed);
    MappedSource m{changed, {}};
    size_t i = 0;
    int inserted = 0;
    for (const std::string& line : after) {
        if (i + 1 < before.size() && line != before[i] && line == before[i + 1]) ++i;  // a line that was edited
        if (i < before.size() && line == before[i]) {
            m.lines.push_back(i < original.lines.size() ? original.lines[i] : SourceLine{});
            ++i;
        } else {
            m.lines.push_back({insertedFrom, ++inserted});
        }
    }
    return m;
}

std::vector<ShaderMessage> parseShaderLog(const std::string& log, const MappedSource& source) {
    std::vector<ShaderMessage> messages;
    for (const std::string& line : splitLines(log)) {
        if (line.empty()) continue;
        int row = 0, column = 0;
        size_t rest = 0;
        if (parsePosition(line, row, column, rest) && row >= 1 && size_t(row) <= source.lines.size() &&
            !source.lines[size_t(row) - 1].file.empty()) {
            size_t from = line.find_first_not_of(' ', rest);
            messages.push_back({source.lines[size_t(row) - 1], column, line.substr(from == std::string::npos ? rest : from)});
        } else {
            messages.push_back({{}, 0, line});
        }
    }
    return messages;
}

std::string mapShaderLog(const std::string& log, const MappedSource& source, const std::string& fallback) {
    std::string out;
    for (const ShaderMessage& m : parseShaderLog(log, source)) {
        if (m.where.file.empty()) {
            out += fallback + ": " + m.text + "\n";
            continue;
        }
        out += m.where.file + ":" + std::to_string(m.where.line) + ":";
        if (m.column > 0) out += std::to_string(m.column) + ":";
        out += " " + m.text + "\n";
    }
    return out;
}
