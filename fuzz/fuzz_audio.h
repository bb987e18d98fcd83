// One block of audio as a careless host hands it over, and the check of what comes back.
#pragma once

#include "fuzz/fuzz_host.h"

// Processes one block of finite input through processReplacing or
// processDoubleReplacing, with a length, buffer layout (separate, in place,
// overlapping at odd offsets, null arrays or channels) and content taken from the
// input, and traps unless: every output sample is finite; each frame is the
// pass-through (bit for bit) or the mean of the two inputs (in both outputs), as the
// instance's known mode says, and overlapping buffers end as frame-by-frame
// processing leaves them; and a block the plug-in cannot use leaves every output
// buffer untouched.
void fuzzProcessAndCheck(FuzzInstance& instance, FuzzedDataProvider& input);

// The deprecated accumulating process: it must not touch the outputs.
void fuzzDeprecatedProcess(FuzzInstance& instance, FuzzedDataProvider& input);

// Edition targets: finite samples of every kind from a seed, and whether one processed
// frame is what the mode gives (stereo: the inputs bit for bit; mono: their mean in both
// outputs).
void fuzzFillSignal(std::uint64_t seed, float* samples, std::size_t count);
bool fuzzFrameMatches(bool mono, float a, float b, float left, float right);
