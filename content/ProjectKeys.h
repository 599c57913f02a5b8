// The keys a project file may hold, one table per kind of JSON object, with what each value must
// be. The project checker finds unknown keys and wrong types with it; the format's document is
// tested against it, so a key added here must be documented there.
#pragma once
#include <string_view>
#include <vector>

namespace content::project {

enum class Shape {
    Integer,
    Float,
    Boolean,
    String,
    Visible,     // the string "true" or "false" (a boolean is accepted too)
    Base64,      // embedded file bytes
    Name,        // the name of a record of kind `target`
    Names,       // an array of such names
    Object,      // an object of kind `target`
    Objects,     // an array of objects of kind `target`
    Tracks,      // an object whose members are objects of kind `target`, keyed by track name
    Integers,    // an array of integers
    Vec3,        // an array of three floats
    TypedValue,  // the "value" of a typed value: its JSON type follows the object's "type"
};

// Event keys that only some event types read; 0 means every type.
enum EventTypes : unsigned { AnyType = 0, Type1 = 1, Type2 = 2, Type3 = 4, Type4 = 8 };

struct Key {
    const char* name;
    Shape shape;
    const char* target = nullptr;  // record kind for Name(s), object kind for Object(s) and Tracks
    unsigned eventTypes = AnyType;
};

struct ObjectKind {
    const char* name;  // as the document titles it
    std::vector<Key> keys;
};

// A kind of record that others refer to by name: where its records are listed, and which of
// their keys holds the name.
struct NamedKind {
    const char* name;
    const char* listKey;
    const char* nameKey;
};

const std::vector<ObjectKind>& objectKinds();
const std::vector<NamedKind>& namedKinds();
const ObjectKind* findObjectKind(std::string_view name);
const NamedKind* findNamedKind(std::string_view name);

// The kind of the project file's top-level object.
constexpr const char* kProjectKind = "Project";

}  // namespace content::project
