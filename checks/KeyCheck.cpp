// The walk over the project's JSON against the table of known keys: unknown keys, values of the
// wrong type, keys an event's type does not read, values out of range, names that match no record.
#include "checks/ProjectCheck.h"

#include <algorithm>

#include "checks/CheckText.h"

namespace checks {

using content::Json;
using content::JsonPositions;
using namespace content::project;

namespace {

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
    {"InputDef", "value_type", 0, 16, "value type codes are 0 to 16"},
    {"OutputDef", "value_type", 0, 16, "value type codes are 0 to 16"},
};

}  // namespace

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
    for (const auto& item : object.items()) {
        const std::string& name = item.key();  // a plain reference: clang 14 lambdas cannot capture bindings
        const Json& value = item.value();
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

}  // namespace checks
