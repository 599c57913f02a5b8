# Turns a file into a C++ source that defines its bytes as `NAME` and their count as `NAME`Size.
# Run as a script: cmake -DINPUT=file -DOUTPUT=source.cpp -DNAME=symbol -P EmbedFile.cmake
file(READ ${INPUT} hex HEX)
string(LENGTH "${hex}" digits)
math(EXPR size "${digits} / 2")
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
get_filename_component(name ${INPUT} NAME)
file(WRITE ${OUTPUT}.new
     "// Generated from ${name} at build time.\n#include <cstddef>\n"
     "extern const unsigned char ${NAME}[] = {${bytes}};\n"
     "extern const std::size_t ${NAME}Size = ${size};\n")
file(RENAME ${OUTPUT}.new ${OUTPUT})
