// The wording the project checks share: quoting, naming JSON kinds, walking JSON pointer paths,
// and the nearest known word for a misspelt one.
#pragma once
#include <string>
#include <vector>

#include "content/Json.h"

namespace checks {

std::string quoted(const std::string& s);
// "a string", "an integer", "a float", ...
std::string kindOf(const content::Json& v);
// "; did you mean "NEAREST"?", or "" without one.
std::string didYouMean(const std::string& nearest);
// The path one level up, and the last step of a path with its escapes undone.
std::string parentOf(const std::string& path);
std::string lastOf(const std::string& path);
// The known word closest to `word`, or "" when none is close enough to be a likely misspelling.
std::string nearestWord(const std::string& word, const std::vector<std::string>& known);

}  // namespace checks
