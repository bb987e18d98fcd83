# Shared part of the ARM Linux cross toolchains (Debian's cross compilers and the
# target's multiarch libraries). The including file sets TWINFOLD_ARM_TRIPLE and
# CMAKE_SYSTEM_PROCESSOR first.
set(CMAKE_SYSTEM_NAME Linux)

find_program(TWINFOLD_ARM_CXX ${TWINFOLD_ARM_TRIPLE}-g++ NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(CMAKE_CXX_COMPILER ${TWINFOLD_ARM_CXX})
set(CMAKE_C_COMPILER ${TWINFOLD_ARM_TRIPLE}-gcc)

# The target's libraries are multiarch packages installed beside the build machine's
# (/usr/lib/<triple>); naming the triple makes CMake search there and only there for
# libraries, and the header-only packages in /usr/include serve every architecture.
set(CMAKE_LIBRARY_ARCHITECTURE ${TWINFOLD_ARM_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/${TWINFOLD_ARM_TRIPLE}/pkgconfig:/usr/share/pkgconfig)
unset(ENV{PKG_CONFIG_PATH})

# CTest runs the ARM programs under qemu-user, through the target's own loader.
set(CMAKE_CROSSCOMPILING_EMULATOR /bin/sh ${CMAKE_CURRENT_LIST_DIR}/qemu-run.sh ${TWINFOLD_ARM_TRIPLE})
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)
