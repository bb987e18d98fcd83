# 32-bit Windows (PE32, i386) with the Debian mingw-w64 cross compiler.
set(TWINFOLD_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
