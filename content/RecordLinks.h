// Lists of references between records: object keys in binary, names in JSON. Readers keep what is
// stored; the Demo turns it into records after everything is read.
#pragma once
#include <string>
#include <vector>

#include "content/ISerializable.h"

namespace content {

// The size of one stored object key.
inline constexpr uint64_t kKeySize = 8;

template <class T>
void writeReferences(BinaryWriter& out, const std::vector<T*>& records) {
    out.u64(records.size());
    for (const T* record : records) out.reference(record);
}

inline std::vector<uint64_t> readKeys(BinaryReader& in) {
    std::vector<uint64_t> keys(in.count(kKeySize));
    for (uint64_t& key : keys) key = in.u64();
    return keys;
}

// A null reference has no name; in JSON it matches no record.
template <class T>
std::string nameOf(const T* record) {
    return record ? record->name : std::string();
}

template <class T>
Json namesOf(const std::vector<T*>& records) {
    Json names = Json::array();
    for (const T* record : records) names.push_back(nameOf(record));
    return names;
}

inline std::vector<std::string> readNames(const Json& object, const char* key) {
    std::vector<std::string> names;
    for (const Json& name : jsonArray(object, key)) names.push_back(name.is_string() ? name.get<std::string>() : "");
    return names;
}

}  // namespace content
