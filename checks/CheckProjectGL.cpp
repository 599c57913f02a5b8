#include <chrono>
#include <cstdio>

#include "checks/BuildCheck.h"
#include "checks/OutputCapture.h"
#include "checks/ProjectCheck.h"
#include "checks/ShowChecks.h"
#include "graph/NodeType.h"
#include "show/Demo.h"
#include "show/ProjectFile.h"

namespace checks {
namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string counted(size_t n, const char* what) {
    return std::to_string(n) + " " + what + (n == 1 ? "" : "s");
}

}  // namespace

bool readChecked(const std::string& project, ProjectCheck& check, Demo& demo) {
    check.checkContent();
    if (!check.findings().empty()) return false;
    content::readProjectFile(project, demo);
    std::vector<std::string> types;
    for (size_t i = 0; i < Nodes::catalogue().size(); ++i) types.push_back(Nodes::catalogue()[i].name);
    check.checkNodeTypes(types);
    return check.findings().empty();
}

bool checkProject(const std::string& project, ProjectCheck& findings, Demo& demo, bool verbose) {
    const auto started = std::chrono::steady_clock::now();
    bool read = false;
    {
        OutputCapture quiet;  // the readers narrate; the tools speak through their findings only
        read = readChecked(project, findings, demo);
    }
    const double reading = secondsSince(started);
    if (verbose)
        for (const std::string& file : findings.filesRead()) std::printf("read %s\n", file.c_str());
    BuildTimes times;
    if (read) {
        checkBuilt(demo, findings, times);
        checkShow(demo, findings);
    }
    if (verbose) {
        const double total = secondsSince(started);
        std::printf("checked in %.3f s: reading %.3f s, GL context %.3f s, shader programs %.3f s (%.0f%%), "
                    "models %.3f s, scripts %.3f s\n",
                    total, reading, times.context, times.shaders, total > 0 ? 100.0 * times.shaders / total : 0.0,
                    times.models, times.scripts);
    }
    return findings.errorCount() == 0;
}

void printFindings(const ProjectCheck& findings, const char* outcome) {
    if (findings.findings().empty()) return;
    for (const Finding& f : findings.sortedFindings()) std::fprintf(stderr, "%s\n", findings.format(f).c_str());
    const size_t errors = findings.errorCount(), warnings = findings.findings().size() - errors;
    std::fprintf(stderr, "%s, %s%s\n", counted(errors, "error").c_str(), counted(warnings, "warning").c_str(),
                 errors > 0 ? outcome : "");
}

}  // namespace checks
