#include "checks/OutputCapture.h"

#include <unistd.h>

namespace checks {

OutputCapture::OutputCapture(bool active) {
    if (!active) return;
    std::fflush(stdout);
    std::fflush(stderr);
    file_ = std::tmpfile();
    if (!file_) return;
    savedOut_ = ::dup(1);
    savedErr_ = ::dup(2);
    ::dup2(::fileno(file_), 1);
    ::dup2(::fileno(file_), 2);
}

OutputCapture::~OutputCapture() {
    std::fflush(stdout);
    std::fflush(stderr);
    for (auto [saved, fd] : {std::pair{savedOut_, 1}, std::pair{savedErr_, 2}}) {
        if (saved < 0) continue;
        ::dup2(saved, fd);
        ::close(saved);
    }
    if (file_) std::fclose(file_);
}

std::string OutputCapture::text() {
    std::fflush(stdout);
    std::fflush(stderr);
    std::string out;
    if (!file_) return out;
    std::rewind(file_);
    char buffer[4096];
    for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, file_)) > 0;) out.append(buffer, n);
    return out;
}

}  // namespace checks
