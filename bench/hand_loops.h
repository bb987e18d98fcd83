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

// The effect's arithmetic written as a plain loop, frame by frame: each input
// sanitised and widened to double, then passed through or averaged (halved first
// where the sum overflows) and narrowed back; no script runtime around it.
void plainEffectLoop(const float* const* inputs, float* const* outputs, std::int32_t frames, bool mono);
void plainEffectLoop(const double* const* inputs, double* const* outputs, std::int32_t frames, bool mono);

// The floor: both channels copied with memcpy.
void copyChannels(const float* const* inputs, float* const* outputs, std::int32_t frames);
void copyChannels(const double* const* inputs, double* const* outputs, std::int32_t frames);
