// The three jobs of the pack tool; each returns the process exit status.
#pragma once
#include <string>

namespace demopack {

int pack(const std::string& project, const std::string& output, const std::string& executable);
int unpack(const std::string& input, const std::string& folder);
int info(const std::string& input);

}  // namespace demopack
