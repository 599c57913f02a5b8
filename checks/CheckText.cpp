#include "checks/CheckText.h"

#include <algorithm>

namespace checks {

using content::Json;

namespace {

// Edit distance in which swapping two neighbours counts once, so "bmp" is one step from "bpm".
size_t distance(const std::string& a, const std::string& b) {
    std::vector<std::vector<size_t>> d(a.size() + 1, std::vector<size_t>(b.size() + 1));
    for (size_t i = 0; i <= a.size(); ++i) d[i][0] = i;
    for (size_t j = 0; j <= b.size(); ++j) d[0][j] = j;
    for (size_t i = 1; i <= a.size(); ++i) {
        for (size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] != b[j - 1])});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return d[a.size()][b.size()];
}

}  // namespace

std::string kindOf(const Json& v) {
    switch (v.type()) {
        case Json::value_t::null: return "null";
        case Json::value_t::object: return "an object";
        case Json::value_t::array: return "an array";
        case Json::value_t::string: return "a string";
        case Json::value_t::boolean: return "a boolean";
        case Json::value_t::number_float: return "a float";
        default: return "an integer";
    }
}

std::string quoted(const std::string& s) { return "\"" + s + "\""; }

std::string didYouMean(const std::string& nearest) {
    return nearest.empty() ? "" : "; did you mean " + quoted(nearest) + "?";
}

std::string parentOf(const std::string& path) { return path.substr(0, path.rfind('/')); }

std::string lastOf(const std::string& path) {
    std::string s = path.substr(path.rfind('/') + 1), out;
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '~' && i + 1 < s.size()) out += s[++i] == '1' ? '/' : '~';
        else out += s[i];
    }
    return out;
}

std::string nearestWord(const std::string& word, const std::vector<std::string>& known) {
    std::string best;
    size_t bestDistance = std::max<size_t>(2, word.size() / 3) + 1;
    for (const std::string& k : known) {
        size_t d = distance(word, k);
        if (d < bestDistance) best = k, bestDistance = d;
    }
    return best;
}

}  // namespace checks
