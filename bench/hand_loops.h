// The same audio work written by hand, for comparison with the plug-in: what a
// developer would write for this effect without a script runtime around it. Kept in
// their own translation unit and called like the plug-in's entry (buffers and a frame
// count known only at run time), compiled with the same flags as the plug-in.
#pragma once

#include <cstdint>

// Both outputs carry the mean of the two inputs.
void handMean(const float* const* inputs, float* const* outputs, std::int32_t frames);
void handMean(const double* const* inputs, double* const* outputs, std::int32_t frames);

// Each output carries its input.
void handPassThrough(const float* const* inputs, float* const* outputs, std::int32_t frames);
void handPassThrough(const double* const* inputs, double* const* outputs, std::int32_t frames);

// The mean or pass-through loops plus only the per-frame accesses to shared variables
// that the plug-in's sample section must make: relaxed stores of the two inputs and a
// relaxed load of the mode switch, every frame. No sanitising, no overflow care: a
// lower bound for any loop that keeps those per-frame semantics.
void handSharedAccess(const float* const* inputs, float* const* outputs, std::int32_t frames, bool mono);
void handSharedAccess(const double* const* inputs, double* const* outputs, std::int32_t frames, bool mono);

// The floor: both channels copied with memcpy.
void copyChannels(const float* const* inputs, float* const* outputs, std::int32_t frames);
void copyChannels(const double* const* inputs, double* const* outputs, std::int32_t frames);
