#include "content/MediaBytes.h"

namespace content {

// A record without bytes still writes an empty buffer: the reader always expects one.
void writeNamedMedia(BinaryWriter& out, const std::string& name, const ByteBuffer& bytes) {
    out.string(name);
    bytes.writeBinary(out);
}

void readNamedMedia(BinaryReader& in, std::string& name, ByteBuffer& bytes) {
    name = in.string();
    bytes.readBinary(in);
}

Json namedMediaToJson(const std::string& name, const ByteBuffer& bytes, const char* bufferKey, const JsonFiles& files) {
    Json j;
    j["name"] = name;
    if (!(files.externalise && files.save(name, bytes.begin(), bytes.length))) j[bufferKey] = bytes.toJson(files);
    return j;
}

void namedMediaFromJson(const Json& json, const char* bufferKey, const JsonFiles& files, std::string& name,
                        ByteBuffer& bytes) {
    name = jsonString(json, "name");
    readMediaBytes(json, bufferKey, name, files, bytes);
}

void readMediaBytes(const Json& json, const char* bufferKey, const std::string& path, const JsonFiles& files,
                    ByteBuffer& bytes) {
    if (jsonHas(json, bufferKey)) bytes.fromJson(json[bufferKey], files);
    else bytes = ByteBuffer(files.load(path));
}

}  // namespace content
