#include "timeline/Font.h"

#include "content/MediaBytes.h"

using namespace content;

// The font file keeps its own path; when it cannot be written there the bytes stay embedded.
content::Json Font::toJson(const JsonFiles& files) const {
    Json j;
    j["name"] = name;
    j["filename"] = filename;
    j["ptsize"] = ptsize;
    if (!(files.externalise && files.trySave(filename, data.begin(), data.length))) j["font_buffer"] = data.toJson(files);
    return j;
}

void Font::writeBinary(BinaryWriter& out) const {
    out.string(name);
    out.string(filename);
    out.i32(ptsize);
    data.writeBinary(out);
}

void Font::fromJson(const Json& json, const JsonFiles& files) {
    name = jsonString(json, "name");
    filename = jsonString(json, "filename");
    ptsize = int32_t(jsonInt(json, "ptsize"));
    readMediaBytes(json, "font_buffer", filename, files, data);
}

void Font::readBinary(BinaryReader& in) {
    RecordScope scope(in, "Font");
    name = in.string();
    filename = in.string();
    ptsize = in.i32();
    data.readBinary(in);
}
