#include <chrono>
#include <cstdio>

#include "show/Demo.h"
#include "tools/demopack/BuildCheck.h"
#include "tools/demopack/Commands.h"
#include "tools/demopack/ProjectCheck.h"
#include "tools/demopack/OutputCapture.h"

namespace demopack {
namespace {

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int check(const std::string& project, bool verbose) {
    const auto started = std::chrono::steady_clock::now();
    ProjectCheck findings(project);
    Demo demo;
    bool read = false;
    {
        OutputCapture quiet;  // the readers narrate; check speaks through its findings only
        read = readChecked(project, findings, demo);
    }
    const double reading = secondsSince(started);
    if (verbose)
        for (const std::string& file : findings.filesRead()) std::printf("read %s\n", file.c_str());
    BuildTimes times;
    if (read) checkBuilt(demo, findings, times);
    if (verbose) {
        const double total = secondsSince(started);
        std::printf("checked in %.3f s: reading %.3f s, GL context %.3f s, shader programs %.3f s (%.0f%%), "
                    "models %.3f s, scripts %.3f s\n",
                    total, reading, times.context, times.shaders, total > 0 ? 100.0 * times.shaders / total : 0.0,
                    times.models, times.scripts);
    }
    for (const Finding& f : findings.sortedFindings()) std::fprintf(stderr, "%s\n", findings.format(f).c_str());
    return findings.findings().empty() ? 0 : 1;
}

}  // namespace demopack
