// The jobs of the pack tool; each returns the process exit status.
#pragma once
#include <string>

namespace demopack {

// Checks the project as check does and refuses it on any error, unless `checked` is false;
// `verbose` also lists the files read.
int pack(const std::string& project, const std::string& output, const std::string& executable, bool checked,
         bool verbose);
int unpack(const std::string& input, const std::string& folder);
int info(const std::string& input);
// Reads the project as pack does and builds what the player would build from it, writing
// nothing; lists every finding. `verbose` also lists the files read and the time taken.
int check(const std::string& project, bool verbose);

}  // namespace demopack
