#include "timeline/FontTexture.h"

#include "timeline/Font.h"

using namespace content;

content::Json FontTexture::toJson(const JsonFiles&) const {
    Json j;
    j["name"] = name;
    j["width"] = width;
    j["height"] = height;
    if (font) j["font"] = font->name;
    j["center"] = center;
    j["chars_per_beat"] = charsPerBeat;
    return j;
}

void FontTexture::writeBinary(BinaryWriter& out) const {
    out.string(name);
    out.i32(width);
    out.i32(height);
    out.reference(font);
    out.boolean(center);
    out.i32(charsPerBeat);
}

void FontTexture::fromJson(const Json& json, const JsonFiles&) {
    name = jsonString(json, "name");
    width = int32_t(jsonInt(json, "width"));
    height = int32_t(jsonInt(json, "height"));
    fontName = jsonString(json, "font");
    center = jsonBool(json, "center");
    if (jsonHas(json, "chars_per_beat")) charsPerBeat = int32_t(jsonInt(json, "chars_per_beat"));
}

void FontTexture::readBinary(BinaryReader& in) {
    RecordScope scope(in, "FontTexture");
    name = in.string();
    width = in.i32();
    height = in.i32();
    fontKey = in.u64();
    center = in.boolean();
    charsPerBeat = in.i32();
}
