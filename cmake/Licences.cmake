# The notices of every library linked into the player, gathered at configure time into one text
# that the player prints (`--licences`) and that a release ships beside it. Each entry is
# "Name|file": the library's own licence file from its source, or Debian's copyright file for
# what comes from Debian's binary packages.
list(APPEND THIRD_PARTY_LICENCES
     "SDL2|/usr/share/doc/libsdl2-2.0-0/copyright"
     "GLEW|/usr/share/doc/libglew2.2/copyright"
     "FreeType|/usr/share/doc/libfreetype6/copyright"
     "libpng|/usr/share/doc/libpng16-16/copyright"
     "zlib|/usr/share/doc/zlib1g/copyright"
     "Brotli|/usr/share/doc/libbrotli1/copyright"
     "JSON for Modern C++|/usr/share/doc/nlohmann-json3-dev/copyright"
     "stb|/usr/share/doc/libstb-dev/copyright"
     "GLM|/usr/share/doc/libglm-dev/copyright"
     "Duktape|/usr/share/doc/duktape-dev/copyright"
     "DejaVu fonts|/usr/share/doc/fonts-dejavu-core/copyright")

set(text "This program contains the following libraries, under the notices that follow.\n")
foreach(entry ${THIRD_PARTY_LICENCES})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 name)
  list(GET parts 1 path)
  if(NOT EXISTS ${path})
    message(FATAL_ERROR "The licence of ${name} is missing: ${path}")
  endif()
  file(READ ${path} body)
  string(APPEND text "\n==== ${name} ====\n\n${body}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${path})
endforeach()
set(LICENCES_FILE ${CMAKE_BINARY_DIR}/LICENCES.txt)
file(WRITE ${LICENCES_FILE}.new "${text}")
configure_file(${LICENCES_FILE}.new ${LICENCES_FILE} COPYONLY)

# Embedded as bytes, so that no character of a notice needs escaping.
file(READ ${LICENCES_FILE} hex HEX)
string(REGEX REPLACE "(..)" "0x\\1," bytes "${hex}")
file(WRITE ${CMAKE_BINARY_DIR}/LicenceText.cpp.new
     "// Generated from the libraries' notices at configure time.\n"
     "#include \"player/Licences.h\"\n"
     "namespace {\nconst unsigned char kText[] = {${bytes} 0};\n}\n"
     "const char* licenceText() { return reinterpret_cast<const char*>(kText); }\n")
configure_file(${CMAKE_BINARY_DIR}/LicenceText.cpp.new ${CMAKE_BINARY_DIR}/LicenceText.cpp COPYONLY)
