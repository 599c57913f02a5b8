#include "checks/ProjectCheck.h"
#include "show/Demo.h"
#include "tools/demopack/Commands.h"

namespace demopack {

int check(const std::string& project, bool verbose) {
    checks::ProjectCheck findings(project);
    Demo demo;
    const bool clean = checks::checkProject(project, findings, demo, verbose);
    checks::printFindings(findings, "");
    return clean ? 0 : 1;
}

}  // namespace demopack
