# No source waits by sleeping until another thread wakes it: the Windows toolchain's
# libstdc++ implements atomic waits (std::latch, std::barrier, the semaphores,
# atomic::wait) with a fallback that can miss a wake-up, and a missed notify of a
# condition variable sleeps forever too. Threads that wait for each other spin and yield
# (tests/support/start_gate.h).
#   cmake -DSOURCE_DIR=<repository> -P no_sleeping_waits.cmake
cmake_minimum_required(VERSION 3.25)
file(GLOB_RECURSE sources "${SOURCE_DIR}/*.cpp" "${SOURCE_DIR}/*.h")
list(FILTER sources EXCLUDE REGEX "^${SOURCE_DIR}/(build|out|dist|\\.git)/")
if(NOT sources)
  message(FATAL_ERROR "no sources under ${SOURCE_DIR}")
endif()
set(pattern "std::(latch|barrier|counting_semaphore|binary_semaphore|condition_variable)|#include <(latch|barrier|semaphore|condition_variable)>|\\.(wait|notify_one|notify_all)\\(")
set(found "")
foreach(source IN LISTS sources)
  file(STRINGS "${source}" lines REGEX "${pattern}")
  foreach(line IN LISTS lines)
    if(NOT line MATCHES "^[ \t]*//")
      string(APPEND found "\n${source}: ${line}")
    endif()
  endforeach()
endforeach()
if(found)
  message(FATAL_ERROR "waits that sleep until woken:${found}")
endif()
list(LENGTH sources count)
message(STATUS "${count} sources, no waits that sleep until woken")
