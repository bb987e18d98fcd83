# 32-bit Linux (i386) with clang -m32 on an x86-64 machine, for the fuzz targets' second
# build: size_t and pointers are 32 bits, as in the win32 DLLs, so a size that wraps
# there wraps here under the sanitizers too. The programs run natively; Debian's
# libc6-dev-i386, lib32gcc-12-dev and lib32stdc++-12-dev provide the libraries.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)

# The kernel's x86 headers (asm/) serve both word sizes; for -m32 Debian reaches them
# through a link that only gcc-multilib installs, so the build makes its own, searched
# last.
set(twinfold_i386_include ${CMAKE_BINARY_DIR}/i386-include)
file(MAKE_DIRECTORY ${twinfold_i386_include})
file(CREATE_LINK /usr/include/x86_64-linux-gnu/asm ${twinfold_i386_include}/asm SYMBOLIC)

foreach(kind C CXX)
  set(CMAKE_${kind}_FLAGS_INIT "-m32 -idirafter ${twinfold_i386_include}")
endforeach()
foreach(kind EXE SHARED MODULE)
  set(CMAKE_${kind}_LINKER_FLAGS_INIT -m32)
endforeach()
# clang calls libatomic for 8-byte atomics of types that i386 aligns to 4 (double).
set(CMAKE_CXX_STANDARD_LIBRARIES -latomic)
