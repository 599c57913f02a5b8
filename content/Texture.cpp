#include "content/Texture.h"

#include "content/MediaBytes.h"

content::Json Texture::toJson(const content::JsonFiles& files) const {
    return content::namedMediaToJson(name, image, "image_buffer", files);
}

void Texture::writeBinary(content::BinaryWriter& out) const { content::writeNamedMedia(out, name, image); }

void Texture::fromJson(const content::Json& json, const content::JsonFiles& files) {
    content::namedMediaFromJson(json, "image_buffer", files, name, image);
}

void Texture::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Texture");
    content::readNamedMedia(in, name, image);
}
