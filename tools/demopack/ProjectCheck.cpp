#include "tools/demopack/ProjectCheck.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <sstream>
#include <tuple>

namespace demopack {

using content::Json;
using content::JsonPositions;
using namespace content::project;

namespace {

constexpr const char* kMusicFile = "resources/music.mp3";

// Edit distance in which swapping two neighbours counts once, so "bmp" is one step from "bpm".
size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

std::string kindOf(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "a boolean";
        case Json::value_t::number_float: return "a float";
        default: return "an integer";
    }
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string didYouMean(const std::string& nearest) {
    return nearest.empty() ? "" : "; did you mean " + quoted(nearest) + "?";
}

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

std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::string lastOf(const std::string& path) {
    std::string s = path.substr(path.rfind('/') + 1), out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '~' && i + 1 < s.size()) out += s[++i] == '1' ? '/' : '~';
        else out += s[i];
    }
    return out;
}

// Event keys that only some types read: is this key read for events of `type`?
bool readForType(const Key& key, int64_t type) {
    if (key.eventTypes == AnyType || type < 1 || type > 4) return true;
    return (key.eventTypes & (1u << (type - 1))) != 0;
}

struct Range {
    const char* kind;
    const char* key;
    int64_t min, max;
    const char* meaning;
};

const Range kRanges[] = {
    {"Event", "type", 1, 4, "event types are 1 (effect), 2 (sample), 3 (group) and 4 (value)"},
    {"Track", "mode", 0, 2, "track modes are 0 (step), 1 (linear) and 2 (smooth)"},
    {"Value", "type", 0, 16, "value type codes are 0 to 16"},
    {"Input", "type", 0, 16, "value type codes are 0 to 16"},
    {"Output", "type", 0, 16, "value type codes are 0 to 16"},
};

}  // namespace

std::string nearestWord(const std::string& word, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
    for (const std::string& k : known) {
        size_t d = distance(word, k);
        if (d < bestDistance) best = k, bestDistance = d;
    }
    return best;
}

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

content::TextPosition ProjectCheck::positionOf(const std::string& path) const {
    return positions_ ? positions_->value(path) : content::TextPosition{};
}

void ProjectCheck::add(const std::string& path, const std::string& message, bool atKey) {
    content::TextPosition where = positions_ ? (atKey ? positions_->key(path) : positions_->value(path))
                                             : content::TextPosition{};
    findings_.push_back({where, message, {}});
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
    out << " " << f.message;
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
    checkTempo();
    checkFiles();
}

void ProjectCheck::checkObject(const Json& object, const std::string& path, const char* kindName) {
    const ObjectKind* kind = findObjectKind(kindName);
    const std::string where = describe(path);
    const std::string prefix = where.empty() ? "" : where + ": ";
    if (!object.is_object()) {
        add(path, prefix + "must be an object, not " + kindOf(object));
        return;
    }
    std::vector<std::string> known;
    for (const Key& k : kind->keys) known.push_back(k.name);
    const int64_t eventType = object.contains("type") ? content::asJsonInt(object["type"]) : 1;
    for (const auto& [name, value] : object.items()) {
        const std::string at = JsonPositions::child(path, name);
        auto key = std::find_if(kind->keys.begin(), kind->keys.end(), [&](const Key& k) { return name == k.name; });
        if (key == kind->keys.end()) {
            add(at, prefix + "unknown key " + quoted(name) + didYouMean(nearestWord(name, known)), true);
        } else if (!readForType(*key, eventType)) {
            add(at, prefix + quoted(name) + " is not read for an event of type " + std::to_string(eventType), true);
        } else {
            checkValue(value, at, *key, object);
        }
    }
    checkRange(object, path, kindName);
}

void ProjectCheck::checkRange(const Json& object, const std::string& path, const char* kind) {
    for (const Range& r : kRanges) {
        if (std::string(kind) != r.kind || !object.contains(r.key) || !object[r.key].is_number_integer()) continue;
        const int64_t v = content::asJsonInt(object[r.key]);
        if (v < r.min || v > r.max)
            add(JsonPositions::child(path, r.key), describe(path) + ": " + quoted(r.key) + " is " +
                                                       std::to_string(v) + "; " + r.meaning);
    }
}

namespace {

// What a typed value's "value" must hold for each type code: element shape and count (0: a scalar).
struct ValueLayout {
    Shape element;
    size_t count;
};

bool valueLayout(int64_t type, ValueLayout& layout) {
    static const ValueLayout layouts[] = {
        {Shape::Boolean, 0}, {Shape::Integer, 0}, {Shape::Float, 0},   {Shape::String, 0},  {Shape::Float, 2},
        {Shape::Float, 3},   {Shape::Float, 4},   {Shape::Integer, 2}, {Shape::Integer, 3}, {Shape::Integer, 4},
        {Shape::Float, 4},   {Shape::Float, 9},   {Shape::Float, 16},  {Shape::Integer, 0}, {Shape::Integer, 0},
        {Shape::Integer, 0}, {Shape::Integer, 0}};
    if (type < 0 || type > 16) return false;
    layout = layouts[type];
    return true;
}

const char* shapeText(Shape s) {
    switch (s) {
        case Shape::Integer: return "an integer";
        case Shape::Float: return "a float";
        case Shape::Boolean: return "a boolean";
        case Shape::Visible: return "the string \"true\" or \"false\"";
        case Shape::Object: case Shape::Tracks: return "an object";
        case Shape::Vec3: return "an array of three floats";
        case Shape::Names: case Shape::Objects: case Shape::Integers: return "an array";
        default: return "a string";
    }
}

bool fits(Shape s, const Json& v) {
    switch (s) {
        case Shape::Integer: return v.is_number_integer();
        case Shape::Float: return v.is_number_float();
        case Shape::Boolean: return v.is_boolean();
        case Shape::Visible: return v.is_boolean() || (v.is_string() && (v == "true" || v == "false"));
        case Shape::Object: case Shape::Tracks: return v.is_object();
        case Shape::Names: case Shape::Objects: case Shape::Integers: case Shape::Vec3: return v.is_array();
        case Shape::TypedValue: return true;
        default: return v.is_string();
    }
}

// The two traps of strict typing get their own advice.
std::string typeAdvice(Shape s, const Json& v, const std::string& key) {
    if (s == Shape::Float && v.is_number_integer()) {
        const std::string n = v.dump();
        return quoted(key) + " is the integer " + n + ", which reads as 0.0 where a float is read: write " + n + ".0";
    }
    if (s == Shape::Integer && v.is_number_float())
        return quoted(key) + " is the float " + v.dump() + ", which reads as 0 where an integer is read: write it without a fraction";
    std::string advice = quoted(key) + " must be " + shapeText(s) + ", not " + kindOf(v);
    if ((s == Shape::Float || s == Shape::Integer) && v.is_string()) {
        const Json number = Json::parse(v.get<std::string>(), nullptr, false);
        if (number.is_number()) {
            const bool fractional = number.is_number_float();
            advice += ": write " + (s == Shape::Float && !fractional ? number.dump() + ".0" : number.dump()) + " without quotes";
        }
    }
    return advice;
}

}  // namespace

void ProjectCheck::checkValue(const Json& value, const std::string& path, const Key& key, const Json& owner) {
    const std::string where = describe(parentOf(path));
    const std::string prefix = where.empty() ? "" : where + ": ";
    if (!fits(key.shape, value)) {
        add(path, prefix + typeAdvice(key.shape, value, key.name));
        return;
    }
    auto elements = [&](Shape element, const char* target) {
        for (size_t i = 0; i < value.size(); ++i) {
            const std::string at = JsonPositions::child(path, i);
            const Json& item = value[i];
            if (element == Shape::Object) checkObject(item, at, target);
            else if (element == Shape::Name) checkName(item, at, target, key.name);
            else if (!fits(element, item))
                add(at, prefix + typeAdvice(element, item, std::string(key.name) + "[" + std::to_string(i) + "]"));
        }
    };
    switch (key.shape) {
        case Shape::Name: checkName(value, path, key.target, key.name); break;
        case Shape::Names: elements(Shape::Name, key.target); break;
        case Shape::Object: checkObject(value, path, key.target); break;
        case Shape::Objects: elements(Shape::Object, key.target); break;
        case Shape::Integers: elements(Shape::Integer, nullptr); break;
        case Shape::Vec3:
            if (value.size() != 3) add(path, prefix + quoted(key.name) + " must hold three floats");
            elements(Shape::Float, nullptr);
            break;
        case Shape::Tracks:
            for (const auto& [track, body] : value.items())
                checkObject(body, JsonPositions::child(path, track), key.target);
            break;
        case Shape::TypedValue: {
            ValueLayout layout;
            if (!owner.contains("type") || !valueLayout(content::asJsonInt(owner["type"]), layout)) break;
            if (layout.count == 0) {
                if (!fits(layout.element, value)) add(path, prefix + typeAdvice(layout.element, value, "value"));
            } else if (!value.is_array() || value.size() != layout.count) {
                add(path, prefix + "\"value\" of type " + owner["type"].dump() + " must be an array of " +
                              std::to_string(layout.count) + " " + (layout.element == Shape::Float ? "floats" : "integers"));
            } else {
                elements(layout.element, nullptr);
            }
            break;
        }
        default: break;
    }
}

void ProjectCheck::checkName(const Json& value, const std::string& path, const char* target, const char* key) {
    const std::string where = describe(parentOf(path));
    const std::string prefix = where.empty() ? "" : where + ": ";
    if (!value.is_string()) {
        add(path, prefix + quoted(key) + " must hold names (strings), not " + kindOf(value));
        return;
    }
    const std::string name = value.get<std::string>();
    const std::set<std::string>& names = names_[target];
    if (name.empty() || names.count(name)) return;
    const NamedKind* kind = findNamedKind(target);
    std::string message = prefix + quoted(key) + " names no " + target + ": " + quoted(name) +
                          didYouMean(nearestWord(name, {names.begin(), names.end()}));
    if (names.empty()) message += " (the project lists none under " + quoted(kind->listKey) + ")";
    add(path, message);
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
    if (json_.contains("music")) return;
    content::JsonFiles files;
    files.folder = folder_;
    filesRead_.push_back(files.resolve(kMusicFile).string());
    if (!std::filesystem::is_regular_file(files.resolve(kMusicFile)))
        add("", std::string("no \"music\" in the project and no file ") + kMusicFile +
                    " beside it: the music is always read from that file (" + files.resolve(kMusicFile).string() + ")");
}

void ProjectCheck::checkNodeTypes(const std::function<bool(const std::string&)>& typeExists) {
    if (!parsed_) return;
    auto checkGraph = [&](const Json& graph, const std::string& path) {
        const Json& nodes = content::jsonArray(graph, "nodes");
        for (size_t i = 0; i < nodes.size(); ++i) {
            const std::string def = content::jsonString(nodes[i], "def");
            if (typeExists(def)) continue;
            const std::string at = JsonPositions::child(JsonPositions::child(JsonPositions::child(path, "nodes"), i), "def");
            add(at, describe(parentOf(at)) + ": \"def\" names no node type: " + quoted(def));
        }
    };
    if (json_.contains("graphs")) {
        const Json& graphs = content::jsonArray(json_, "graphs");
        for (size_t i = 0; i < graphs.size(); ++i) checkGraph(graphs[i], JsonPositions::child("/graphs", i));
    } else if (json_.contains("graph")) {
        checkGraph(json_["graph"], "/graph");
    }
}

}  // namespace demopack
