// What library code prints on standard output and standard error, kept off the terminal while an
// object of this class lives: the readers narrate each file they load, the model loader prints
// its warnings and some facts about each model.
#pragma once
#include <cstdio>
#include <string>

namespace checks {

class OutputCapture {
public:
    // An inactive capture leaves both streams alone.
    explicit OutputCapture(bool active = true);
    ~OutputCapture();
    OutputCapture(const OutputCapture&) = delete;
    OutputCapture& operator=(const OutputCapture&) = delete;

    // Everything printed on either stream since construction.
    std::string text();

private:
    int savedOut_ = -1, savedErr_ = -1;
    std::FILE* file_ = nullptr;
};

}  // namespace checks
