// The interface of every content record: a JSON form for project files and a binary form for
// content blocks. Binary reads throw ContentError on corrupt input; JSON reads never fail on
// wrong kinds (they read zeros), only on missing media files.
#pragma once
#include "content/BinaryReader.h"
#include "content/BinaryWriter.h"
#include "content/Json.h"

class ISerializable {
public:
    virtual ~ISerializable() = default;
    virtual content::Json toJson(const content::JsonFiles& files) const = 0;
    virtual void writeBinary(content::BinaryWriter& out) const = 0;
    virtual void fromJson(const content::Json& json, const content::JsonFiles& files) = 0;
    virtual void readBinary(content::BinaryReader& in) = 0;
};
