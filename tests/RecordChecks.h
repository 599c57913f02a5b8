// Helpers shared by the record tests.
#pragma once
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "content/BinaryReader.h"
#include "content/ContentError.h"
#include "content/Json.h"

namespace testing_support {

inline content::JsonFiles filesIn(const std::filesystem::path& folder, bool externalise) {
    content::JsonFiles files;
    files.folder = folder;
    files.externalise = externalise;
    return files;
}

template <class T>
std::unique_ptr<T> fromJson(const content::Json& json, const content::JsonFiles& files = {}) {
    auto record = std::make_unique<T>();
    record->fromJson(json, files);
    return record;
}

// Every strict prefix of a record's bytes must be rejected with an error naming the kind of the
// record being read (the outer record, or an embedded one among `inner`).
template <class T>
void expectTruncationRejected(const std::vector<uint8_t>& bytes, const char* kind,
                              std::initializer_list<const char*> inner = {}) {
    for (size_t cut = 0; cut < bytes.size(); ++cut) {
        content::BinaryReader in(bytes.data(), cut);
        T record;
        try {
            record.readBinary(in);
            ADD_FAILURE() << kind << " read from " << cut << " of " << bytes.size() << " bytes";
        } catch (const content::ContentError& e) {
            std::string message = e.what();
            bool named = message.find(std::string(" in ") + kind + " ") != std::string::npos;
            for (const char* k : inner) named = named || message.find(std::string(" in ") + k + " ") != std::string::npos;
            EXPECT_TRUE(named) << message;
        }
    }
}

}  // namespace testing_support
