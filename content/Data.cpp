#include "content/Data.h"

#include "content/MediaBytes.h"

content::Json Data::toJson(const content::JsonFiles& files) const {
    return content::namedMediaToJson(name, buffer, "data_buffer", files);
}

void Data::writeBinary(content::BinaryWriter& out) const { content::writeNamedMedia(out, name, buffer); }

void Data::fromJson(const content::Json& json, const content::JsonFiles& files) {
    content::namedMediaFromJson(json, "data_buffer", files, name, buffer);
}

void Data::readBinary(content::BinaryReader& in) {
    content::RecordScope scope(in, "Data");
    content::readNamedMedia(in, name, buffer);
}
