// Counts every allocation made through operator new in this program, including the
// plug-in's when the dynamic loader binds its operator new to this executable's.
#pragma once

#include <cstdint>

std::uint64_t allocationCount();
