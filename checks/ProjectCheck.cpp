#include "checks/ProjectCheck.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

#include "checks/CheckText.h"

namespace checks {

using content::Json;
using content::JsonPositions;
using namespace content::project;

namespace {

constexpr const char* kMusicFile = "resources/music.mp3";

// The tail of nlohmann's message, after its own "parse error at line L, column C: ".
std::string syntaxMessage(const std::string& what) {
    size_t at = what.find("parse error");
    at = at == std::string::npos ? std::string::npos : what.find(": ", at);
    return at == std::string::npos ? what : what.substr(at + 2);
}

// The parser stops after the token it did not expect; a string token is pointed at from its
// opening quote, where the reader's eye goes.
size_t tokenStart(const std::string& text, size_t parsed) {
    size_t at = parsed == 0 ? 0 : std::min(parsed, text.size()) - 1;
    if (at >= text.size() || text[at] != '"' || at == 0) return at;
    for (size_t i = at; i-- > 0;)
        if (text[i] == '"' && (i == 0 || text[i - 1] != '\\')) return i;
    return at;
}

}  // namespace

ProjectCheck::ProjectCheck(const std::filesystem::path& projectFile) : file_(projectFile) {
    folder_ = projectFile.parent_path().empty() ? std::filesystem::path(".") : projectFile.parent_path();
    std::ifstream in(projectFile, std::ios::binary);
    if (!in) {
        findings_.push_back({{}, "cannot open the file", {}});
        return;
    }
    text_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    try {
        json_ = Json::parse(text_);
    } catch (const Json::parse_error& e) {
        findings_.push_back({content::positionAt(text_, tokenStart(text_, e.byte)), syntaxMessage(e.what()), {}});
        return;
    }
    positions_ = std::make_unique<JsonPositions>(text_);
    if (!json_.is_object()) {
        add("", "a project is a JSON object ({ ... }), not " + kindOf(json_));
        return;
    }
    parsed_ = true;
}

void ProjectCheck::add(const std::string& path, const std::string& message, bool atKey) {
    content::TextPosition where = positions_ ? (atKey ? positions_->key(path) : positions_->value(path))
                                             : content::TextPosition{};
    findings_.push_back({where, message, {}});
}

void ProjectCheck::warn(const std::string& path, const std::string& message, bool atKey) {
    add(path, message, atKey);
    findings_.back().warning = true;
}

size_t ProjectCheck::errorCount() const {
    return size_t(std::count_if(findings_.begin(), findings_.end(), [](const Finding& f) { return !f.warning; }));
}

void ProjectCheck::addInFile(const std::string& file, content::TextPosition where, const std::string& message) {
    findings_.push_back({where, message, (folder_ / file).lexically_normal().string()});
}

// Project findings first, in the order of the text; then those in other files. A source that
// several programs include is compiled with each, but each of its faults is told once.
std::vector<Finding> ProjectCheck::sortedFindings() const {
    std::vector<Finding> sorted = findings_;
    auto key = [](const Finding& f) { return std::tie(f.file, f.where.line, f.where.column, f.message); };
    std::stable_sort(sorted.begin(), sorted.end(), [&](const Finding& a, const Finding& b) { return key(a) < key(b); });
    sorted.erase(std::unique(sorted.begin(), sorted.end(), [&](const Finding& a, const Finding& b) { return key(a) == key(b); }),
                 sorted.end());
    return sorted;
}

std::string ProjectCheck::format(const Finding& f) const {
    std::ostringstream out;
    out << (f.file.empty() ? file_.string() : f.file) << ":";
    if (f.where.line > 0) out << f.where.line << ":" << f.where.column << ":";
    out << " " << (f.warning ? "warning: " : "") << f.message;
    return out.str();
}

// events[2] "flash", control_points.alpha: the list entry, its name when it has one, then the way down.
std::string ProjectCheck::describe(const std::string& path) const {
    std::vector<std::string> segments;
    for (size_t end = path.size(); end > 0 && end != std::string::npos; end = path.rfind('/', end - 1))
        segments.insert(segments.begin(), lastOf(path.substr(0, end)));
    std::string out, separator;
    const Json* at = &json_;
    for (size_t i = 0; i < segments.size(); ++i) {
        const std::string& s = segments[i];
        if (at->is_array()) {
            at = &(*at)[std::stoul(s)];
            out += "[" + s + "]";
            const char* nameKey = segments[0] == "shaders" ? "fragment_shader_filename" : "name";
            if (i == 1 && at->is_object() && at->contains(nameKey) && (*at)[nameKey].is_string()) {
                out += " " + quoted((*at)[nameKey].get<std::string>());
                separator = ", ";
            }
        } else {
            out += separator + s;
            at = &(*at)[s];
            separator = ".";
        }
    }
    return out;
}

void ProjectCheck::checkContent() {
    if (!parsed_) return;
    for (const NamedKind& kind : namedKinds()) {
        std::set<std::string>& names = names_[kind.name];
        for (const Json& record : content::jsonArray(json_, kind.listKey))
            if (record.is_object() && record.contains(kind.nameKey) && record[kind.nameKey].is_string())
                names.insert(record[kind.nameKey].get<std::string>());
    }
    checkObject(json_, "", kProjectKind);
    if (json_.contains("graphs") && json_.contains("graph"))
        add("/graph", "\"graph\" is not read when the project has \"graphs\"", true);
    checkTempo();
    checkFiles();
}

void ProjectCheck::checkTempo() {
    const char* advice = "the tempo must be a positive number of beats per minute, like \"bpm\": 120.0";
    if (!json_.contains("bpm")) {
        add("", std::string("no \"bpm\": ") + advice);
    } else if (json_["bpm"].is_number_float()) {
        const double bpm = json_["bpm"].get<double>();
        if (!(bpm > 0.0) || !std::isfinite(float(bpm))) add("/bpm", "\"bpm\" is " + json_["bpm"].dump() + ": " + advice);
    }
    if (!json_.contains("end_beat"))
        add("", "no \"end_beat\": it reads as 0.0 and the show would end as soon as it starts");
}

void ProjectCheck::needFile(const std::string& name, const std::string& path, const char* what) {
    content::JsonFiles files;
    files.folder = folder_;
    if (name.empty()) {
        add(parentOf(path), describe(parentOf(path)) + ": no " + what + " file is named");
        return;
    }
    const std::filesystem::path full = files.resolve(name);
    filesRead_.push_back(full.string());
    if (!std::filesystem::is_regular_file(full))
        add(path, describe(parentOf(path)) + ": " + what + " file " + quoted(name) + " not found (" + full.string() + ")");
}

// The same order in which the project is read: media lists, shader sources, then the music.
void ProjectCheck::checkFiles() {
    struct Media {
        const char* list;
        const char* bufferKey;
        const char* fileKey;
        const char* what;
    };
    static const Media kMedia[] = {
        {"textures", "image_buffer", "name", "image"},
        {"shaders", "fragment_shader_source", "vertex_shader_filename", "vertex shader"},
        {"shaders", "fragment_shader_source", "fragment_shader_filename", "fragment shader"},
        {"fonts", "font_buffer", "filename", "font"},
        {"datas", "data_buffer", "name", "data"},
        {"models", "buffer", "name", "model"},
        {"audio_samples", "audio_buffer", "name", "sound"},
    };
    for (const Media& m : kMedia) {
        const Json& list = content::jsonArray(json_, m.list);
        for (size_t i = 0; i < list.size(); ++i) {
            if (!list[i].is_object() || list[i].contains(m.bufferKey)) continue;
            const std::string path = JsonPositions::child(JsonPositions::child(JsonPositions::child("", m.list), i), m.fileKey);
            needFile(content::jsonString(list[i], m.fileKey), path, m.what);
        }
    }
    if (json_.contains("music")) {
        checkMusic();
        return;
    }
    content::JsonFiles files;
    files.folder = folder_;
    filesRead_.push_back(files.resolve(kMusicFile).string());
    if (!std::filesystem::is_regular_file(files.resolve(kMusicFile)))
        add("", std::string("no \"music\" in the project and no file ") + kMusicFile +
                    " beside it: the music is always read from that file (" + files.resolve(kMusicFile).string() + ")");
}

// "music" holds the music's bytes as base64; a file name there decodes to a few bytes of noise.
// No sound file is shorter than this.
void ProjectCheck::checkMusic() {
    constexpr size_t kShortestSound = 64;
    const Json& music = json_["music"];
    if (!music.is_string() || music.get<std::string>().empty()) return;
    const std::string text = music.get<std::string>();
    const bool base64 = std::all_of(text.begin(), text.end(), [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || std::isspace(static_cast<unsigned char>(c)) || c == '+' ||
               c == '/' || c == '=';
    });
    if (base64 && content::base64Decode(text).size() >= kShortestSound) return;
    const std::string shown = text.size() <= 80 ? " is " + quoted(text) : "";
    add("/music", "\"music\"" + shown + ": it holds the music itself as base64, never a file name; the music is read from " +
                      kMusicFile + " beside the project when \"music\" is left out (\"music\": \"\" makes a show without music)");
}

void ProjectCheck::checkNodeTypes(const std::vector<std::string>& types) {
    if (!parsed_) return;
    const std::set<std::string> known(types.begin(), types.end());
    auto checkGraph = [&](const Json& graph, const std::string& path) {
        const Json& nodes = content::jsonArray(graph, "nodes");
        for (size_t i = 0; i < nodes.size(); ++i) {
            const std::string def = content::jsonString(nodes[i], "def");
            if (known.count(def)) continue;
            const std::string at = JsonPositions::child(JsonPositions::child(JsonPositions::child(path, "nodes"), i), "def");
            add(at, describe(parentOf(at)) + ": \"def\" names no node type: " + quoted(def) +
                        didYouMean(nearestWord(def, types)));
        }
    };
    if (json_.contains("graphs")) {
        const Json& graphs = content::jsonArray(json_, "graphs");
        for (size_t i = 0; i < graphs.size(); ++i) checkGraph(graphs[i], JsonPositions::child("/graphs", i));
    } else if (json_.contains("graph")) {
        checkGraph(json_["graph"], "/graph");
    }
}

}  // namespace checks
