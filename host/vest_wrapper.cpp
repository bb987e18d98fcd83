#include "host/vest_wrapper.h"

#include <cstring>

#include "host/call_guard.h"

namespace {
constexpr char kMidiCapability[] = "receiveVstMidiEvent";

// The processing entries of the AEffect record lead straight to this final class, so a
// host's call reaches the table's handler without a virtual call on the way.
CVeST* wrapperOf(AEffect* effect) {
  return effect ? static_cast<CVeST*>(static_cast<AudioEffect*>(effect->object)) : nullptr;
}

void VSTCALLBACK processReplacingEntry(AEffect* effect, float** inputs, float** outputs, VstInt32 frames) {
  if (CVeST* self = wrapperOf(effect)) guardedCall([&] { self->processReplacing(inputs, outputs, frames); });
}

void VSTCALLBACK processDoubleReplacingEntry(AEffect* effect, double** inputs, double** outputs, VstInt32 frames) {
  if (CVeST* self = wrapperOf(effect))
    guardedCall([&] { self->processDoubleReplacing(inputs, outputs, frames); });
}

}  // namespace

CVeST::CVeST(audioMasterCallback master, std::int32_t programs, std::int32_t params, TEmber* effect,
             const TVeSTFunctions& table)
    : AudioEffectX(master, programs, params),
      runtime(effect),
      midiEvents(new VstMidiEvent[kMidiQueueSize]()),
      functions(table) {
  canProcessReplacing(true);
  canDoubleReplacing(true);
  cEffect.processReplacing = processReplacingEntry;
  cEffect.processDoubleReplacing = processDoubleReplacingEntry;
  if (functions.create) functions.create(this);
}

CVeST::~CVeST() {
  if (functions.destroy) functions.destroy(this);
  delete[] midiEvents;
}

void CVeST::open() {
  if (functions.open) functions.open(this);
}
void CVeST::close() {
  if (functions.close) functions.close(this);
}
void CVeST::suspend() {
  if (functions.suspend) functions.suspend(this);
}

void CVeST::resume() {
  char capability[sizeof kMidiCapability];
  std::memcpy(capability, kMidiCapability, sizeof capability);
  if ((cEffect.flags & effFlagsIsSynth) || canDo(capability) == 1) wantEvents();
  if (functions.resume) functions.resume(this);
}

void CVeST::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
  if (functions.processReplacing) functions.processReplacing(this, inputs, outputs, sampleFrames);
}
void CVeST::processDoubleReplacing(double** inputs, double** outputs, VstInt32 sampleFrames) {
  if (functions.processDoubleReplacing) functions.processDoubleReplacing(this, inputs, outputs, sampleFrames);
}

void CVeST::setParameter(VstInt32 index, float value) {
  if (functions.setParameter) functions.setParameter(this, index, static_cast<double>(value));
}
float CVeST::getParameter(VstInt32 index) {
  return functions.getParameter ? static_cast<float>(functions.getParameter(this, index)) : 0.0f;
}

void CVeST::setProgramName(char* name) {
  if (functions.setProgramName) functions.setProgramName(this, name);
}
void CVeST::getProgramName(char* name) {
  if (functions.getProgramName) functions.getProgramName(this, name);
}
void CVeST::getParameterLabel(VstInt32 index, char* label) {
  if (functions.getParameterLabel) functions.getParameterLabel(this, index, label);
}
void CVeST::getParameterDisplay(VstInt32 index, char* text) {
  if (functions.getParameterDisplay) functions.getParameterDisplay(this, index, text);
}
void CVeST::getParameterName(VstInt32 index, char* text) {
  if (functions.getParameterName) functions.getParameterName(this, index, text);
}

VstInt32 CVeST::getChunk(void** data, bool isPreset) {
  return functions.getChunk ? functions.getChunk(this, data, isPreset) : 0;
}
VstInt32 CVeST::setChunk(void* data, VstInt32 byteSize, bool isPreset) {
  return functions.setChunk ? functions.setChunk(this, data, byteSize, isPreset) : 0;
}

bool CVeST::getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) {
  return functions.getProgramNameIndexed && functions.getProgramNameIndexed(this, category, index, text) != 0;
}

VstInt32 CVeST::processEvents(VstEvents* events) {
  if (!events) return 1;
  VstEvent* const* list = events->events;  // numEvents pointers, not the declared two
  for (VstInt32 i = 0; i < events->numEvents; ++i) {
    const VstEvent* event = list[i];
    if (!event) break;  // the host's list ends here, whatever numEvents said
    if (event->type != kVstMidiType) continue;
    std::memcpy(&midiEvents[midiWriteIndex], event, sizeof(VstMidiEvent));
    if (++midiWriteIndex >= kMidiQueueSize) midiWriteIndex = 0;
  }
  return 1;
}

bool CVeST::getEffectName(char* name) {
  return functions.getEffectName && functions.getEffectName(this, name) != 0;
}
bool CVeST::getVendorString(char* text) {
  return functions.getVendorString && functions.getVendorString(this, text) != 0;
}
bool CVeST::getProductString(char* text) {
  return functions.getProductString && functions.getProductString(this, text) != 0;
}
VstInt32 CVeST::getVendorVersion() { return functions.getVendorVersion ? functions.getVendorVersion(this) : 0; }

// Only the exact text "receiveVstMidiEvent" matches; the comparison stops at the
// host's NUL, so a short text is never read past its end.
VstInt32 CVeST::canDo(char* text) {
  if (!text) return -1;
  return std::strncmp(text, kMidiCapability, sizeof kMidiCapability) == 0 ? 1 : -1;
}
