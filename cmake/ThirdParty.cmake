# The libraries a show needs to play, built here from Debian's source packages as static archives
# and linked into the player, so that a show executable needs no more than SDL2 and GL on the
# machine it runs on. Every build folder links these same archives: what decodes sound and images
# and lays out text does not depend on the build type. Only recording's FFmpeg is loaded at run
# time (recording/FfmpegLibrary.cpp).
include(cmake/DebianSource.cmake)

# Third-party code: its own warnings are not ours to fix.
function(third_party_library name)
  add_library(${name} STATIC ${ARGN})
  target_compile_options(${name} PRIVATE -w)
endfunction()

# The sound, image and text libraries are not ours to mend: the sanitizers and the fuzzer look at
# our own code and the content parsers (tinygltf, KissFFT).
function(without_sanitizers name)
  if(DEMO_SANITIZE OR DEMO_FUZZ)
    target_compile_options(${name} PRIVATE -fno-sanitize=all)
  endif()
endfunction()

# KissFFT: the real-input transform in single precision.
debian_source(KISSFFT_DIR kissfft 131.1.0-4.1~deb12u1 f1127030755a796521f8f0977f448a5c450d00e743cf316333c3bc860e137eb2)
file(COPY ${KISSFFT_DIR}/kiss_fft.h ${KISSFFT_DIR}/kiss_fftr.h ${KISSFFT_DIR}/kiss_fft_log.h
     DESTINATION ${CMAKE_BINARY_DIR}/_deps/include/kissfft)
third_party_library(kissfft_float ${KISSFFT_DIR}/kiss_fft.c ${KISSFFT_DIR}/kiss_fftr.c)
target_compile_definitions(kissfft_float PUBLIC kiss_fft_scalar=float)
target_include_directories(kissfft_float PUBLIC ${CMAKE_BINARY_DIR}/_deps/include/kissfft
                           INTERFACE ${CMAKE_BINARY_DIR}/_deps/include)
target_link_libraries(kissfft_float PRIVATE m)

# tinygltf, with the stb image coders it reads and writes images through (from libstb-dev's
# headers, compiled here: Debian's libstb.a brings in the dynamic loader through thread-locals).
debian_source(TINYGLTF_DIR tinygltf 2.7.0+dfsg-2 a7dc5cbcb9fd805a31e0c4776179ed154e526b8779940e719acc98818cd7ec46)
third_party_library(tinygltf ${CMAKE_SOURCE_DIR}/cmake/tinygltf_implementation.cpp)
target_include_directories(tinygltf SYSTEM PUBLIC ${TINYGLTF_DIR} /usr/include/stb)
target_link_libraries(tinygltf PUBLIC nlohmann_json::nlohmann_json)

# libmodplug: tracker modules, for SDL_mixer and the offline mix.
debian_source(MODPLUG_DIR libmodplug 1:0.8.9.0-3 d230fff1f2ee1be6c77ff4bca828468076487ce4557d754d6424f0e62a1c3ba9)
file(GLOB MODPLUG_SOURCES ${MODPLUG_DIR}/src/*.cpp)
file(COPY ${MODPLUG_DIR}/src/modplug.h DESTINATION ${CMAKE_BINARY_DIR}/_deps/include/libmodplug)
third_party_library(modplug ${MODPLUG_SOURCES})
# Written for C++ before 2017 ('register' variables), as Debian builds it.
set_target_properties(modplug PROPERTIES CXX_STANDARD 14)
target_compile_definitions(modplug PRIVATE MODPLUG_BUILD HAVE_INTTYPES_H HAVE_STDINT_H HAVE_SINF HAVE_SETENV
                           HAVE_MALLOC_H HAVE_STRINGS_H HAVE_STRING_H HAVE_UNISTD_H PUBLIC MODPLUG_STATIC)
target_include_directories(modplug PRIVATE ${MODPLUG_DIR}/src ${MODPLUG_DIR}/src/libmodplug
                           PUBLIC ${CMAKE_BINARY_DIR}/_deps/include)

# SDL_mixer with its own decoders for WAV, Ogg Vorbis, FLAC and MP3, modules through libmodplug,
# and no MIDI.
debian_source(MIXER_DIR libsdl2-mixer 2.6.2+dfsg-2 ef16e515917151751644bc9413383864527bbb58707803deb683e0c91b0aacc0)
file(GLOB MIXER_SOURCES ${MIXER_DIR}/src/*.c ${MIXER_DIR}/src/codecs/*.c)
third_party_library(sdl2_mixer ${MIXER_SOURCES})
target_compile_definitions(sdl2_mixer PRIVATE MUSIC_WAV MUSIC_OGG OGG_USE_STB MUSIC_FLAC_DRFLAC MUSIC_MP3_DRMP3
                           MUSIC_MOD_MODPLUG)
target_include_directories(sdl2_mixer PRIVATE ${MIXER_DIR}/src ${MIXER_DIR}/src/codecs PUBLIC ${MIXER_DIR}/include)
target_link_libraries(sdl2_mixer PUBLIC SDL2::SDL2 PRIVATE modplug m)

# SDL_image: PNG and JPEG through its stb backend, the rest by its own readers; nothing that
# needs another library (TIFF, WebP, AVIF, JPEG XL).
debian_source(IMAGE_DIR libsdl2-image 2.6.3+dfsg-1 185eaaba97a90b71f2c951a60c61b7ea400129b0fefe5b9272cabd709ec0c7ed)
file(GLOB IMAGE_SOURCES ${IMAGE_DIR}/IMG*.c)
list(FILTER IMAGE_SOURCES EXCLUDE REGEX "IMG_WIC\\.c$")
third_party_library(sdl2_image ${IMAGE_SOURCES})
target_compile_definitions(sdl2_image PRIVATE USE_STBIMAGE LOAD_BMP LOAD_GIF LOAD_JPG LOAD_LBM LOAD_PCX LOAD_PNG
                           LOAD_PNM LOAD_QOI LOAD_SVG LOAD_TGA LOAD_XCF LOAD_XPM LOAD_XV)
target_include_directories(sdl2_image PUBLIC ${IMAGE_DIR})
target_link_libraries(sdl2_image PUBLIC SDL2::SDL2 PRIVATE m)

# SDL_ttf on Debian's static FreeType, without HarfBuzz.
debian_source(TTF_DIR libsdl2-ttf 2.20.1+dfsg-2 46a54b380c3a81ddda5a62d31204621411276cafdebd97011b4ad2c0f085e64b)
third_party_library(sdl2_ttf ${TTF_DIR}/SDL_ttf.c)
target_compile_definitions(sdl2_ttf PRIVATE TTF_USE_HARFBUZZ=0)
target_include_directories(sdl2_ttf PRIVATE /usr/include/freetype2 PUBLIC ${TTF_DIR})
foreach(lib freetype png16 brotlidec brotlicommon z)
  find_library(STATIC_${lib} lib${lib}.a REQUIRED)
endforeach()
target_link_libraries(sdl2_ttf PUBLIC SDL2::SDL2 PRIVATE ${STATIC_freetype} ${STATIC_png16} ${STATIC_brotlidec}
                      ${STATIC_brotlicommon} ${STATIC_z} m)

# GLEW from Debian's static archive.
find_library(STATIC_GLEW libGLEW.a REQUIRED)
add_library(glew_static INTERFACE)
target_compile_definitions(glew_static INTERFACE GLEW_STATIC)
target_link_libraries(glew_static INTERFACE ${STATIC_GLEW} OpenGL::GL)

foreach(lib modplug sdl2_mixer sdl2_image sdl2_ttf)
  without_sanitizers(${lib})
endforeach()

# The notices of everything linked in, printed by `demoplayer --licences`.
set(THIRD_PARTY_LICENCES
    "SDL_mixer|${MIXER_DIR}/LICENSE.txt"
    "dr_libs (in SDL_mixer)|${MIXER_DIR}/src/codecs/dr_libs/LICENSE"
    "SDL_image|${IMAGE_DIR}/LICENSE.txt"
    "SDL_ttf|${TTF_DIR}/LICENSE.txt"
    "libmodplug|${MODPLUG_DIR}/COPYING"
    "KissFFT|${KISSFFT_DIR}/COPYING"
    "tinygltf|${TINYGLTF_DIR}/LICENSE")
