// The stored form shared by patch inputs and script ports: a value type code, a name, and the
// default, minimum and maximum as optional values. Script outputs keep only type and name.
#pragma once
#include "content/Value.h"

namespace values {

// Smallest stored sizes: a type, a string of at least 9 bytes, and three one-byte absent flags.
constexpr uint64_t kMinBarePortSize = 4 + 9;
constexpr uint64_t kMinPortSize = kMinBarePortSize + 3;

template <class Port>
void writePort(content::BinaryWriter& out, const Port& port, bool withBounds) {
    out.i32(port.type);
    out.string(port.name);
    if (!withBounds) return;
    port.default_value.writeBinary(out);
    port.min_value.writeBinary(out);
    port.max_value.writeBinary(out);
}

template <class Port>
void readPort(content::BinaryReader& in, Port& port, bool withBounds) {
    port.type = in.i32();
    port.name = in.string();
    if (!withBounds) return;
    port.default_value.readBinary(in);
    port.min_value.readBinary(in);
    port.max_value.readBinary(in);
}

template <class Port>
content::Json portToJson(const Port& port, bool withBounds) {
    content::Json j;
    j["type"] = port.type;
    j["name"] = port.name;
    if (!withBounds) return j;
    j["default_value"] = port.default_value.toJson();
    j["min_value"] = port.min_value.toJson();
    j["max_value"] = port.max_value.toJson();
    return j;
}

template <class Port>
void portFromJson(const content::Json& json, Port& port, bool withBounds) {
    port.type = int32_t(content::jsonInt(json, "type"));
    port.name = content::jsonString(json, "name");
    if (!withBounds) return;
    // An absent key reads as null, which MaybeValue takes as "no value".
    static const content::Json null;
    auto field = [&](const char* key) -> const content::Json& { return content::jsonHas(json, key) ? json[key] : null; };
    port.default_value.fromJson(field("default_value"));
    port.min_value.fromJson(field("min_value"));
    port.max_value.fromJson(field("max_value"));
}

}  // namespace values
