// The name-and-bytes form that Data, Texture and AudioSample share, and the embedded-or-file
// rule of media bytes in JSON that fonts use as well.
#pragma once
#include <string>

#include "content/ByteBuffer.h"

namespace content {

void writeNamedMedia(BinaryWriter& out, const std::string& name, const ByteBuffer& bytes);
void readNamedMedia(BinaryReader& in, std::string& name, ByteBuffer& bytes);

// With files.externalise the bytes go to the file `name` and only "name" is emitted, unless that
// file already holds other bytes of this export: then they are embedded so nothing is lost.
Json namedMediaToJson(const std::string& name, const ByteBuffer& bytes, const char* bufferKey, const JsonFiles& files);
void namedMediaFromJson(const Json& json, const char* bufferKey, const JsonFiles& files, std::string& name,
                        ByteBuffer& bytes);

// The base64 bytes under `bufferKey`, or else the whole media file `path`.
void readMediaBytes(const Json& json, const char* bufferKey, const std::string& path, const JsonFiles& files,
                    ByteBuffer& bytes);

}  // namespace content
