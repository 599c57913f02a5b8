# The JavaScript engine, built from the source Debian's duktape-dev ships, with a configuration
# made here from the packaged one: the interrupt counter and the execution-timeout check are
# switched on so that scripting can bound every compile and run. The three files are copied
# together because duktape.c includes its headers relative to itself.
set(DUKTAPE_SOURCE_DIR /usr/share/duktape CACHE PATH "Duktape's amalgamated source and configuration")
set(DUKTAPE_BUILD_DIR ${CMAKE_BINARY_DIR}/duktape)

foreach(file duktape.c duktape.h duk_config.h)
  if(NOT EXISTS ${DUKTAPE_SOURCE_DIR}/${file})
    message(FATAL_ERROR "${DUKTAPE_SOURCE_DIR}/${file} is missing (install duktape-dev)")
  endif()
endforeach()
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.c ${DUKTAPE_BUILD_DIR}/duktape.c COPYONLY)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.h ${DUKTAPE_BUILD_DIR}/duktape.h COPYONLY)

file(READ ${DUKTAPE_SOURCE_DIR}/duk_config.h config)
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DUKTAPE_SOURCE_DIR}/duk_config.h)
function(duktape_switch_on option replacement)
  string(FIND "${config}" "#undef ${option}\n" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "duk_config.h has no '#undef ${option}' to switch on")
  endif()
  string(REPLACE "#undef ${option}\n" "${replacement}\n" config "${config}")
  set(config "${config}" PARENT_SCOPE)
endfunction()
duktape_switch_on(DUK_USE_INTERRUPT_COUNTER "#define DUK_USE_INTERRUPT_COUNTER")
# The check is defined in scripting/ScriptEngine.cpp.
duktape_switch_on(DUK_USE_EXEC_TIMEOUT_CHECK
"#if defined(__cplusplus)
extern \"C\"
#endif
int demo_script_timeout_check(void *udata);
#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) demo_script_timeout_check((udata))")
# Written through a copy so that an unchanged configuration does not rebuild the engine.
file(WRITE ${DUKTAPE_BUILD_DIR}/duk_config.h.new "${config}")
configure_file(${DUKTAPE_BUILD_DIR}/duk_config.h.new ${DUKTAPE_BUILD_DIR}/duk_config.h COPYONLY)

add_library(duktape STATIC ${DUKTAPE_BUILD_DIR}/duktape.c)
target_include_directories(duktape PUBLIC ${DUKTAPE_BUILD_DIR})
# Third-party code: its own warnings are not ours to fix.
target_compile_options(duktape PRIVATE -w)
target_link_libraries(duktape PUBLIC m)
