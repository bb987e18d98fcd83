# libsndfile for the Windows builds, which Debian packages for Linux only: cross-built
# from Debian's own source (fetched by tools/install-deps.sh, the version Debian 12's
# libsndfile1-dev has) into <build>/sndfile, and linked statically, so vst-render.exe
# needs no DLL. The codec libraries (FLAC, Ogg, Vorbis, Opus, MPEG) are left out: it
# reads and writes the containers libsndfile handles on its own.
# Defines twinfold_sndfile_static, an imported library with the header.
include_guard(GLOBAL)
include(ExternalProject)

set(TWINFOLD_SNDFILE_SOURCE "/usr/local/src/twinfold/libsndfile" CACHE PATH
    "libsndfile's Debian source for the Windows builds (tools/install-deps.sh fetches it)")
if(NOT EXISTS "${TWINFOLD_SNDFILE_SOURCE}/CMakeLists.txt")
  message(FATAL_ERROR "No libsndfile source at ${TWINFOLD_SNDFILE_SOURCE}: run tools/install-deps.sh as root")
endif()

set(_twinfold_sndfile_prefix "${PROJECT_BINARY_DIR}/sndfile")
set(_twinfold_sndfile_library "${_twinfold_sndfile_prefix}/lib/libsndfile.a")
# The same bytes from any folder: no source or build path in the objects.
set(_twinfold_sndfile_flags
    "-ffile-prefix-map=${TWINFOLD_SNDFILE_SOURCE}=sndfile -ffile-prefix-map=${PROJECT_BINARY_DIR}=build")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "i.86")
  string(APPEND _twinfold_sndfile_flags " -msse2 -mfpmath=sse -mstackrealign")
endif()

ExternalProject_Add(twinfold_sndfile_build
  SOURCE_DIR "${TWINFOLD_SNDFILE_SOURCE}"
  BINARY_DIR "${PROJECT_BINARY_DIR}/sndfile-build"
  INSTALL_DIR "${_twinfold_sndfile_prefix}"
  CMAKE_GENERATOR "${CMAKE_GENERATOR}"
  CMAKE_ARGS
    "-DCMAKE_TOOLCHAIN_FILE=${CMAKE_TOOLCHAIN_FILE}"
    "-DCMAKE_C_COMPILER_LAUNCHER=${CMAKE_C_COMPILER_LAUNCHER}"
    "-DCMAKE_BUILD_TYPE=Release"
    "-DCMAKE_INSTALL_PREFIX=<INSTALL_DIR>"
    "-DCMAKE_C_FLAGS=${_twinfold_sndfile_flags}"
    -DBUILD_SHARED_LIBS=OFF -DENABLE_EXTERNAL_LIBS=OFF -DENABLE_MPEG=OFF -DBUILD_PROGRAMS=OFF
    -DBUILD_EXAMPLES=OFF -DBUILD_TESTING=OFF -DENABLE_CPACK=OFF -DENABLE_PACKAGE_CONFIG=OFF
    -DINSTALL_PKGCONFIG_MODULE=OFF -DINSTALL_MANPAGES=OFF
  BUILD_BYPRODUCTS "${_twinfold_sndfile_library}"
  UPDATE_COMMAND ""
  PATCH_COMMAND ""
  DOWNLOAD_COMMAND ""
  STEP_TARGETS install
  LOG_CONFIGURE ON LOG_BUILD ON LOG_INSTALL ON LOG_OUTPUT_ON_FAILURE ON)

file(MAKE_DIRECTORY "${_twinfold_sndfile_prefix}/include")
add_library(twinfold_sndfile_static STATIC IMPORTED GLOBAL)
set_target_properties(twinfold_sndfile_static PROPERTIES
  IMPORTED_LOCATION "${_twinfold_sndfile_library}"
  INTERFACE_INCLUDE_DIRECTORIES "${_twinfold_sndfile_prefix}/include")
add_dependencies(twinfold_sndfile_static twinfold_sndfile_build)
