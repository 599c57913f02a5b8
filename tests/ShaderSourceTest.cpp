// Compiler messages find their way back to the file and line an author wrote: through includes,
// through text a patch put in, and in the log formats of the common drivers.
#include <gtest/gtest.h>

#include "shaders/ShaderProgram.h"
#include "shaders/ShaderSource.h"

namespace {

ShaderProgram program(const std::string& file, const std::string& source) {
    ShaderProgram p;
    p.fragmentFilename = file;
    p.fragmentSource = source;
    return p;
}

TEST(ShaderSourceTest, MessagesNameTheFileAndLineThroughIncludesAndPatches) {
    const ShaderProgram lib = program("lib.frag", "float a;\nfloat b;\n");
    const ShaderProgram main = program("main.frag", "#version 150\n#include \"lib.frag\"\nvoid main() {\n// <P>\n}\n");
    const MappedSource resolved = resolveIncludes(main, {&main, &lib});
    EXPECT_EQ(resolved.text, "#version 150\nfloat a;\nfloat b;\n\nvoid main() {\n// <P>\n}\n");
    const std::string log = "0:3(7): error: one\n0(5) : error C0000: two\nERROR: no position\n";
    EXPECT_EQ(mapShaderLog(log, resolved, "main.frag"),
              "lib.frag:2:7: error: one\nmain.frag:3: error C0000: two\nmain.frag: ERROR: no position\n");

    std::string patched = resolved.text;
    patched.replace(patched.find("// <P>"), 6, "x = 1;\ny = 2;");
    const MappedSource edited = followEdits(resolved, patched, "patch");
    EXPECT_EQ(mapShaderLog("0:7(1): error: y\n0:8(1): error: brace\n", edited, "main.frag"),
              "patch:2:1: error: y\nmain.frag:5:1: error: brace\n");
}

}  // namespace
