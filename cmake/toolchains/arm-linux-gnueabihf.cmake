# 32-bit ARM Linux, hard-float (Debian armhf: ARMv7-A, VFPv3-D16, Thumb-2; NEON is not
# part of the baseline) with the Debian cross compiler.
set(TWINFOLD_ARM_TRIPLE arm-linux-gnueabihf)
set(CMAKE_SYSTEM_PROCESSOR armv7l)
include(${CMAKE_CURRENT_LIST_DIR}/linux-arm-common.cmake)
