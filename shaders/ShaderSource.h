// Where the lines of a shader text come from, so that compiler messages can name the file and line
// a show's author wrote: includes of other programs splice whole sources into a fragment shader,
// and patches splice their texts in at hooks.
#pragma once
#include <string>
#include <vector>

class ShaderProgram;

struct SourceLine {
    std::string file;
    int line = 0;  // 1-based; 0 when unknown
};

struct MappedSource {
    std::string text;
    std::vector<SourceLine> lines;  // one per line of text
};

// A text whose lines all come from one file.
MappedSource wholeFile(const std::string& text, const std::string& file);

// The fragment source of `self` with each other program's source, in list order, in place of the
// first "#include "FRAGMENT_FILE"" naming it.
MappedSource resolveIncludes(const ShaderProgram& self, const std::vector<const ShaderProgram*>& programs);

// Lines of `changed` that match lines of `original` in order keep their origin; lines put in
// between (a patch's text) are counted as lines of `insertedFrom`.
MappedSource followEdits(const MappedSource& original, const std::string& changed, const std::string& insertedFrom);

// One message of a compiler log; `where.file` is empty when it names no known line, and `text` then
// holds the whole log line.
struct ShaderMessage {
    SourceLine where;
    int column = 0;
    std::string text;
};
std::vector<ShaderMessage> parseShaderLog(const std::string& log, const MappedSource& source);

// A compiler log with every "0:LINE(COLUMN): ..." or "0(LINE) : ..." message rewritten as
// "FILE:LINE:COLUMN: ..."; lines without a position are prefixed with `fallback`.
std::string mapShaderLog(const std::string& log, const MappedSource& source, const std::string& fallback);
