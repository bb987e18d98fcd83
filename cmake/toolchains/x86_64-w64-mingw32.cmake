# 64-bit Windows (PE32+, x86-64) with the Debian mingw-w64 cross compiler.
set(TWINFOLD_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-common.cmake)
