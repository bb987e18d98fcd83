// Counts the calls a plug-in's code makes that allocate, lock or reach thread-local
// storage through the C runtime or the system, for the real-time tests.
//
// ELF targets: this program defines malloc, calloc and realloc, so every module in the
// process (the plug-ins' operator new included) allocates through them. Windows: each module carries its own C++ runtime, but takes the C runtime's
// allocation and the system's lock, wait and thread-local storage functions through
// its import table; watch() points those entries at counting functions.
#pragma once

#include <cstdint>

#include "hosting/module.h"

std::uint64_t runtimeCallCount();
// Adds one call to the count (the watchers of each target call it).
void countRuntimeCall(const char* name);

// The name of the last call counted, for a failure's message.
const char* lastRuntimeCallName();

// Starts counting `module`'s calls; answers how many of its imports were redirected
// (Windows), or 1 where the whole process is counted anyway.
int watch(const hosting::Module& module);
