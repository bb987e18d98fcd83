# Shared part of the mingw-w64 cross toolchains. The including file sets
# TWINFOLD_MINGW_TRIPLE and CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Windows)

# The posix thread model: with it the compiler's std::mutex and std::thread exist,
# which googletest and the threaded tests need; -static links winpthread into
# every binary, so nothing extra has to ship. The plain name is the fallback on
# systems that only have one variant.
find_program(TWINFOLD_MINGW_CXX NAMES ${TWINFOLD_MINGW_TRIPLE}-g++-posix ${TWINFOLD_MINGW_TRIPLE}-g++
             NO_CMAKE_FIND_ROOT_PATH REQUIRED)
find_program(TWINFOLD_MINGW_CC NAMES ${TWINFOLD_MINGW_TRIPLE}-gcc-posix ${TWINFOLD_MINGW_TRIPLE}-gcc
             NO_CMAKE_FIND_ROOT_PATH)
set(CMAKE_CXX_COMPILER ${TWINFOLD_MINGW_CXX})
if(TWINFOLD_MINGW_CC)
  set(CMAKE_C_COMPILER ${TWINFOLD_MINGW_CC})
endif()
set(CMAKE_RC_COMPILER ${TWINFOLD_MINGW_TRIPLE}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TWINFOLD_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Executables carry their C and C++ runtimes, so Wine (or a user's Windows) needs
# no mingw DLL to run them.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")

# CTest runs the Windows executables through Wine, by way of a wrapper that keeps
# one wineserver alive across the tests.
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/wine-run.sh)

# Discover googletest cases when CTest runs, not at build time: building then
# needs no Wine prefix, and discovery runs serially before the tests.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
