# The JavaScript engine, built from the source Debian's duktape-dev ships, with a configuration
# made here from the packaged one: the interrupt counter and the execution-timeout check are
# switched on, and the source is patched so that the work inside built-in functions (property
# accesses, regular expression steps, bytes allocated, copied and compared) counts against the
# same budget as instructions (DuktapeAdditions.h and .c). The three files are copied together
# because duktape.c includes its headers relative to itself.
set(DUKTAPE_SOURCE_DIR /usr/share/duktape CACHE PATH "Duktape's amalgamated source and configuration")
set(DUKTAPE_BUILD_DIR ${CMAKE_BINARY_DIR}/duktape)

foreach(file duktape.c duktape.h duk_config.h)
  if(NOT EXISTS ${DUKTAPE_SOURCE_DIR}/${file})
    message(FATAL_ERROR "${DUKTAPE_SOURCE_DIR}/${file} is missing (install duktape-dev)")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${DUKTAPE_SOURCE_DIR}/${file})
endforeach()
set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${CMAKE_CURRENT_LIST_DIR}/DuktapeAdditions.h ${CMAKE_CURRENT_LIST_DIR}/DuktapeAdditions.c)
configure_file(${DUKTAPE_SOURCE_DIR}/duktape.h ${DUKTAPE_BUILD_DIR}/duktape.h COPYONLY)

# Replaces the one occurrence of `before` in the variable `text`; a source that does not have
# exactly one (another engine version) stops the configuration rather than build unbounded.
function(duktape_patch text before after)
  string(FIND "${${text}}" "${before}" first)
  string(FIND "${${text}}" "${before}" last REVERSE)
  if(first EQUAL -1 OR NOT first EQUAL last)
    message(FATAL_ERROR "Duktape source: expected exactly one '${before}' to patch")
  endif()
  string(REPLACE "${before}" "${after}" patched "${${text}}")
  set(${text} "${patched}" PARENT_SCOPE)
endfunction()

# Writes through a copy so that an unchanged result does not rebuild the engine.
function(duktape_write name content)
  file(WRITE ${DUKTAPE_BUILD_DIR}/${name}.new "${content}")
  configure_file(${DUKTAPE_BUILD_DIR}/${name}.new ${DUKTAPE_BUILD_DIR}/${name} COPYONLY)
endfunction()

file(READ ${DUKTAPE_SOURCE_DIR}/duk_config.h config)
duktape_patch(config "#undef DUK_USE_INTERRUPT_COUNTER\n" "#define DUK_USE_INTERRUPT_COUNTER\n")
duktape_patch(config "#undef DUK_USE_EXEC_TIMEOUT_CHECK\n"
              "#define DUK_USE_EXEC_TIMEOUT_CHECK(udata) demo_script_timeout_check((udata))\n")
file(READ ${CMAKE_CURRENT_LIST_DIR}/DuktapeAdditions.h additions_header)
duktape_patch(config "#endif  /* DUK_CONFIG_H_INCLUDED */"
              "${additions_header}\n#endif  /* DUK_CONFIG_H_INCLUDED */")
duktape_write(duk_config.h "${config}")

file(READ ${DUKTAPE_SOURCE_DIR}/duktape.c source)
# Budget checks every 1024 instructions rather than every 262144, so that bytes counted by a
# built-in called from a tight loop stop the call soon after the budget is spent.
duktape_patch(source "#define DUK_HTHREAD_INTCTR_DEFAULT (256L * 1024L)" "#define DUK_HTHREAD_INTCTR_DEFAULT 1024L")
# Every property read, write, test and delete, which the array and object built-ins loop over.
foreach(entry
    "DUK_INTERNAL duk_bool_t duk_hobject_getprop(duk_hthread *thr, duk_tval *tv_obj, duk_tval *tv_key) {\n"
    "duk_hobject_putprop(duk_hthread *thr, duk_tval *tv_obj, duk_tval *tv_key, duk_tval *tv_val, duk_bool_t throw_flag) {\n"
    "DUK_INTERNAL duk_bool_t duk_hobject_hasprop(duk_hthread *thr, duk_tval *tv_obj, duk_tval *tv_key) {\n"
    "DUK_INTERNAL duk_bool_t duk_hobject_delprop(duk_hthread *thr, duk_tval *tv_obj, duk_tval *tv_key, duk_bool_t throw_flag) {\n")
  duktape_patch(source "${entry}" "${entry}\tdemo_script_charge(thr, 1);\n")
endforeach()
# Each step of the regular expression matcher (its own limit is a billion steps).
duktape_patch(source "\t\tre_ctx->steps_count++;\n" "\t\tre_ctx->steps_count++;\n\t\tdemo_script_charge(re_ctx->thr, 1);\n")
# Each value JSON.stringify writes on its fast path, which reads arrays without property reads,
set(entry "DUK_LOCAL duk_bool_t duk__json_stringify_fast_value(duk_json_enc_ctx *js_ctx, duk_tval *tv) {\n")
duktape_patch(source "${entry}" "${entry}\tdemo_script_charge(js_ctx->thr, 1);\n")
# and each array element there, gaps included.
set(entry "\t\t\t\tduk_bool_t has_inherited;\n")
duktape_patch(source "${entry}" "${entry}\n\t\t\t\tdemo_script_charge(js_ctx->thr, 1);\n")
# indexOf, lastIndexOf and search scan the string byte by byte without a memcmp per byte.
duktape_patch(source "\tcpos = start_cpos;\n\n\t/* Empty searchstring always matches"
              "\tdemo_script_charge(thr, DUK_HSTRING_GET_BYTELEN(h_this) / DEMO_SCRIPT_BYTES_PER_STEP);\n\tcpos = start_cpos;\n\n\t/* Empty searchstring always matches")
# Buffers and strings large enough to matter are paid for before they are made (repeat, join, JSON
# output and the like build their results in them).
set(entry "DUK_EXTERNAL void *duk_push_buffer_raw(duk_hthread *thr, duk_size_t size, duk_small_uint_t flags) {\n")
duktape_patch(source "${entry}" "${entry}\tdemo_script_reserve(thr, size);\n")
set(entry "DUK_INTERNAL void duk_hbuffer_resize(duk_hthread *thr, duk_hbuffer_dynamic *buf, duk_size_t new_size) {\n")
duktape_patch(source "${entry}" "${entry}\tdemo_script_reserve(thr, new_size);\n")
duktape_patch(source
    "DUK_INTERNAL duk_hstring *duk_heap_strtable_intern_checked(duk_hthread *thr, const duk_uint8_t *str, duk_uint32_t blen) {\n"
    "DUK_INTERNAL duk_hstring *duk_heap_strtable_intern_checked(duk_hthread *thr, const duk_uint8_t *str, duk_uint32_t blen) {\n\tdemo_script_reserve(thr, blen);\n")
file(READ ${CMAKE_CURRENT_LIST_DIR}/DuktapeAdditions.c additions_source)
duktape_write(duktape.c "${source}\n${additions_source}")

add_library(duktape STATIC ${DUKTAPE_BUILD_DIR}/duktape.c)
target_include_directories(duktape PUBLIC ${DUKTAPE_BUILD_DIR})
# Third-party code: its own warnings are not ours to fix.
target_compile_options(duktape PRIVATE -w)
target_link_libraries(duktape PUBLIC m)
if(DEMO_SANITIZE)
  # The engine offsets null pointers by zero (first while making its heap), which UBSan's
  # pointer-overflow check stops on; ASan and the rest of UBSan stay on for its source.
  target_compile_options(duktape PRIVATE -fno-sanitize=pointer-overflow)
endif()
