// A core for the editions' time tests: it asks its host for the time as the plug-in's
// core does, four queries per block, and writes what the first answer says into the
// left output's first frames (the right output is silent):
//   tempo, ppqPos, timeSigNumerator, timeSigDenominator, flags, samplePos, barStartPos,
//   sampleRate, and then 1 when all four answers were the same record, else 0.
// Linked into test builds of the editions in place of the product's core.
#include <algorithm>

#include "host/entry_point.h"

namespace {

AEffect probe{};
audioMasterCallback host = nullptr;
constexpr VstInt32 kReported = 9;

VstIntPtr VSTCALLBACK dispatch(AEffect*, VstInt32, VstInt32, VstIntPtr, void*, float) { return 0; }
void VSTCALLBACK setParameter(AEffect*, VstInt32, float) {}
float VSTCALLBACK getParameter(AEffect*, VstInt32) { return 0.0f; }

template <class Sample>
void report(AEffect* effect, Sample** outputs, VstInt32 frames) {
  const VstInt32 filters[] = {kVstTempoValid | kVstTimeSigValid, kVstTransportPlaying, kVstTransportRecording,
                              kVstPpqPosValid};
  const VstTimeInfo* answers[4];
  for (int i = 0; i < 4; ++i)
    answers[i] = reinterpret_cast<const VstTimeInfo*>(host(effect, audioMasterGetTime, 0, filters[i], nullptr, 0.0f));
  std::fill_n(outputs[0], frames, Sample(0));
  std::fill_n(outputs[1], frames, Sample(0));
  const VstTimeInfo* time = answers[0];
  if (!time || frames < kReported) return;
  const double seen[kReported] = {time->tempo,
                                  time->ppqPos,
                                  static_cast<double>(time->timeSigNumerator),
                                  static_cast<double>(time->timeSigDenominator),
                                  static_cast<double>(time->flags),
                                  time->samplePos,
                                  time->barStartPos,
                                  time->sampleRate,
                                  std::all_of(answers, answers + 4, [&](auto* a) { return a == time; }) ? 1.0 : 0.0};
  for (VstInt32 i = 0; i < kReported; ++i) outputs[0][i] = static_cast<Sample>(seen[i]);
}

void VSTCALLBACK processFloat(AEffect* effect, float**, float** outputs, VstInt32 frames) {
  report(effect, outputs, frames);
}
void VSTCALLBACK processDouble(AEffect* effect, double**, double** outputs, VstInt32 frames) {
  report(effect, outputs, frames);
}

}  // namespace

extern "C" AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) {
  host = audioMaster;
  probe = {};
  probe.magic = kEffectMagic;
  probe.dispatcher = dispatch;
  probe.setParameter = setParameter;
  probe.getParameter = getParameter;
  probe.processReplacing = processFloat;
  probe.processDoubleReplacing = processDouble;
  probe.numPrograms = probe.numParams = 1;
  probe.numInputs = probe.numOutputs = 2;
  probe.flags = effFlagsCanReplacing | effFlagsCanDoubleReplacing;
  probe.uniqueID = 0x54696d65;
  return &probe;
}
