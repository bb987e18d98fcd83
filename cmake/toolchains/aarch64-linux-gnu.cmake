# 64-bit ARM Linux (ARMv8-A, LP64) with the Debian cross compiler.
set(TWINFOLD_ARM_TRIPLE aarch64-linux-gnu)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/linux-arm-common.cmake)
