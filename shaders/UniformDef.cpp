#include "shaders/UniformDef.h"

content::Json UniformDef::toJson(const content::JsonFiles&) const {
    content::Json j;
    j["name"] = name;
    j["min_val"] = double(min_val);
    j["max_val"] = double(max_val);
    j["default_val"] = double(default_val);
    j["is_string"] = is_string;
    return j;
}

void UniformDef::writeBinary(content::BinaryWriter& out) const {
    out.string(name);
    out.f32(min_val);
    out.f32(max_val);
    out.f32(default_val);
    out.boolean(is_string);
}

void UniformDef::fromJson(const content::Json& json, const content::JsonFiles&) {
    using namespace content;
    name = jsonString(json, "name");
    min_val = jsonFloat(json, "min_val");
    max_val = jsonFloat(json, "max_val");
    default_val = jsonFloat(json, "default_val");
    if (jsonHas(json, "is_string")) is_string = jsonBool(json, "is_string");
}

void UniformDef::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "UniformDef");
    name = in.string();
    min_val = in.f32();
    max_val = in.f32();
    default_val = in.f32();
    is_string = in.boolean();
}
