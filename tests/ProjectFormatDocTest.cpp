// The project format's document names every key the project checker knows: the keys come from
// the same table that check uses to find unknown ones. The node reference is what `demopack nodes`
// writes from the player's own tables.
#include <cstdio>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "content/ProjectKeys.h"
#include "tests/TestSupport.h"

namespace {

std::string readDocument(const char* name = "project-format.md") {
    std::ifstream in(std::string(DEMO_SOURCE_DIR) + "/docs/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The text under the heading "## KIND" or "### KIND", up to the next heading of those levels.
std::string section(const std::string& document, const std::string& kind) {
    std::istringstream lines(document);
    std::string line, body;
    bool inside = false;
    while (std::getline(lines, line)) {
        const bool heading = line.rfind("## ", 0) == 0 || line.rfind("### ", 0) == 0;
        if (heading) inside = line.substr(line.find(' ') + 1) == kind;
        else if (inside) body += line + "\n";
    }
    return body;
}

TEST(ProjectFormatDocTest, EveryKnownKeyIsDocumentedUnderItsKind) {
    const std::string document = readDocument();
    ASSERT_FALSE(document.empty()) << "docs/project-format.md is missing";
    for (const content::project::ObjectKind& kind : content::project::objectKinds()) {
        const std::string body = section(document, kind.name);
        EXPECT_FALSE(body.empty()) << "no section \"" << kind.name << "\"";
        for (const content::project::Key& key : kind.keys)
            EXPECT_NE(body.find(std::string("`") + key.name + "`"), std::string::npos)
                << kind.name << " key \"" << key.name << "\" is not documented";
    }
}

TEST(ProjectFormatDocTest, TheNodeReferenceIsWhatTheToolWrites) {
    const std::string command = "'" + testing_support::toolPath("demopack") + "' nodes";
    std::string written;
    if (std::FILE* tool = popen(command.c_str(), "r")) {
        char buffer[4096];
        for (size_t n; (n = std::fread(buffer, 1, sizeof buffer, tool)) > 0;) written.append(buffer, n);
        EXPECT_EQ(pclose(tool), 0);
    }
    ASSERT_NE(written.find("### Time"), std::string::npos) << written;
    EXPECT_EQ(readDocument("nodes.md"), written) << "run: build/demopack nodes > docs/nodes.md";
}

}  // namespace
