// The one error type of content reading and writing: a corrupt block, a malformed string,
// a missing media file or an unsafe file name. Its message is meant for the user as is.
#pragma once
#include <stdexcept>
#include <string>

namespace content {

class ContentError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace content
