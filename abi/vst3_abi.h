// Clean-room declarations of the VST3 binary interface, as far as a plug-in with one
// audio class, two stereo buses and one parameter (and a host that tests it) needs them.
// Interfaces are C tables of function pointers taking the interface pointer first; every
// record's size and offsets are checked below for the two layouts of the targets: 32-bit
// (Windows, ARM Linux) and 64-bit (Windows, x86-64 and ARM Linux).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#if defined(_WIN32)
#define V3_API __stdcall
#else
#define V3_API
#endif

namespace vst3 {

using int8 = std::int8_t;
using uint8 = std::uint8_t;
using int16 = std::int16_t;
using int32 = std::int32_t;
using uint32 = std::uint32_t;
using int64 = std::int64_t;
using uint64 = std::uint64_t;
using tresult = int32;
using TBool = uint8;
using char8 = char;
using char16 = char16_t;
using ParamID = uint32;
using ParamValue = double;
using SpeakerArrangement = uint64;
using String128 = char16[128];

// Result codes: COM values on Windows, small integers elsewhere.
#if defined(_WIN32)
inline constexpr tresult kNoInterface = static_cast<tresult>(0x80004002u);
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = static_cast<tresult>(0x80070057u);
inline constexpr tresult kNotImplemented = static_cast<tresult>(0x80004001u);
inline constexpr tresult kInternalError = static_cast<tresult>(0x80004005u);
inline constexpr tresult kNotInitialized = static_cast<tresult>(0x8000FFFFu);
inline constexpr tresult kOutOfMemory = static_cast<tresult>(0x8007000Eu);
#else
inline constexpr tresult kNoInterface = -1;
inline constexpr tresult kResultOk = 0;
inline constexpr tresult kResultTrue = 0;
inline constexpr tresult kResultFalse = 1;
inline constexpr tresult kInvalidArgument = 2;
inline constexpr tresult kNotImplemented = 3;
inline constexpr tresult kInternalError = 4;
inline constexpr tresult kNotInitialized = 5;
inline constexpr tresult kOutOfMemory = 6;
#endif

// A 16-byte interface or class ID, built from its four 32-bit numbers in the byte order
// of the target: COM GUID layout on Windows, four big-endian words elsewhere.
using TUID = std::array<char, 16>;

constexpr TUID makeTuid(uint32 l1, uint32 l2, uint32 l3, uint32 l4) {
  TUID id{};
  auto put = [&id](int at, uint32 word, int shift) { id[at] = static_cast<char>((word >> shift) & 0xFF); };
#if defined(_WIN32)
  for (int i = 0; i < 4; ++i) put(i, l1, 8 * i);
  put(4, l2, 16), put(5, l2, 24), put(6, l2, 0), put(7, l2, 8);
#else
  for (int i = 0; i < 4; ++i) put(i, l1, 24 - 8 * i);
  for (int i = 0; i < 4; ++i) put(4 + i, l2, 24 - 8 * i);
#endif
  for (int i = 0; i < 4; ++i) put(8 + i, l3, 24 - 8 * i);
  for (int i = 0; i < 4; ++i) put(12 + i, l4, 24 - 8 * i);
  return id;
}

inline constexpr TUID FUnknown_iid = makeTuid(0x00000000, 0x00000000, 0xC0000000, 0x00000046);
inline constexpr TUID IPluginBase_iid = makeTuid(0x22888DDB, 0x156E45AE, 0x8358B348, 0x08190625);
inline constexpr TUID IPluginFactory_iid = makeTuid(0x7A4D811C, 0x52114A1F, 0xAED9D2EE, 0x0B43BF9F);
inline constexpr TUID IPluginFactory2_iid = makeTuid(0x0007B650, 0xF24B4C0B, 0xA464EDB9, 0xF00B2ABB);
inline constexpr TUID IPluginFactory3_iid = makeTuid(0x4555A2AB, 0xC1234E57, 0x9B122910, 0x36878931);
inline constexpr TUID IComponent_iid = makeTuid(0xE831FF31, 0xF2D54301, 0x928EBBEE, 0x25697802);
inline constexpr TUID IAudioProcessor_iid = makeTuid(0x42043F99, 0xB7DA453C, 0xA569E79D, 0x9AAEC33D);
inline constexpr TUID IProcessContextRequirements_iid = makeTuid(0x2A654303, 0xEF764E3D, 0x95B5FE83, 0x730EF6D0);
inline constexpr TUID IEditController_iid = makeTuid(0xDCD7BBE3, 0x7742448D, 0xA874AACC, 0x979C759E);
inline constexpr TUID IEditController2_iid = makeTuid(0x7F4EFE59, 0xF3204967, 0xAC27A3AE, 0xAFB63038);
inline constexpr TUID IComponentHandler_iid = makeTuid(0x93A0BEA3, 0x0BD045DB, 0x8E890B0C, 0xC1E46AC6);
inline constexpr TUID IHostApplication_iid = makeTuid(0x58E595CC, 0xDB2D4969, 0x8B6AAF8C, 0x36A664E5);
inline constexpr TUID IBStream_iid = makeTuid(0xC3BF6EA2, 0x30994752, 0x9B6BF990, 0x1EE33E9B);
inline constexpr TUID IParameterChanges_iid = makeTuid(0xA4779663, 0x0BB64A56, 0xB44384A8, 0x466FEB9D);
inline constexpr TUID IParamValueQueue_iid = makeTuid(0x01263A18, 0xED074F6F, 0x98C9D356, 0x4686F9BA);
inline constexpr TUID IConnectionPoint_iid = makeTuid(0x70A4156F, 0x6E6E4026, 0x989148BF, 0xAA60D8D1);
inline constexpr TUID IUnitInfo_iid = makeTuid(0x3D4BD6B5, 0x913A4FD2, 0xA886E768, 0xA5EB92C1);
inline constexpr TUID IMidiMapping_iid = makeTuid(0xDF0FF9F7, 0x49B74669, 0xB63AB732, 0x7ADBF5E5);

#pragma pack(push, 8)

// Every interface pointer points at a word holding its table's address.
template <class Table>
struct Interface {
  const Table* table;
};

#define V3_FUNKNOWN_SLOTS(Self)                                                  \
  tresult(V3_API* queryInterface)(Self * self, const char* iid, void** object); \
  uint32(V3_API* addRef)(Self * self);                                           \
  uint32(V3_API* release)(Self * self)

struct FUnknownTable;
using FUnknown = Interface<FUnknownTable>;
struct FUnknownTable {
  V3_FUNKNOWN_SLOTS(FUnknown);
};

// Records ---------------------------------------------------------------------------

struct PFactoryInfo {
  char8 vendor[64];
  char8 url[256];
  char8 email[128];
  int32 flags;
};

struct PClassInfo {
  char cid[16];
  int32 cardinality;
  char8 category[32];
  char8 name[64];
};

struct PClassInfo2 {
  char cid[16];
  int32 cardinality;
  char8 category[32];
  char8 name[64];
  uint32 classFlags;
  char8 subCategories[128];
  char8 vendor[64];
  char8 version[64];
  char8 sdkVersion[64];
};

struct PClassInfoW {
  char cid[16];
  int32 cardinality;
  char8 category[32];
  char16 name[64];
  uint32 classFlags;
  char8 subCategories[128];
  char16 vendor[64];
  char16 version[64];
  char16 sdkVersion[64];
};

struct BusInfo {
  int32 mediaType;
  int32 direction;
  int32 channelCount;
  String128 name;
  int32 busType;
  uint32 flags;
};

struct RoutingInfo {
  int32 mediaType;
  int32 busIndex;
  int32 channel;
};

struct ProcessSetup {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 maxSamplesPerBlock;
  double sampleRate;
};

struct AudioBusBuffers {
  int32 numChannels;
  uint64 silenceFlags;
  union {
    float** channelBuffers32;
    double** channelBuffers64;
  };
};

struct Chord {
  uint8 keyNote;
  uint8 rootNote;
  int16 chordMask;
};

struct FrameRate {
  uint32 framesPerSecond;
  uint32 flags;
};

struct ProcessContext {
  uint32 state;
  double sampleRate;
  int64 projectTimeSamples;
  int64 systemTime;
  int64 continousTimeSamples;
  double projectTimeMusic;
  double barPositionMusic;
  double cycleStartMusic;
  double cycleEndMusic;
  double tempo;
  int32 timeSigNumerator;
  int32 timeSigDenominator;
  Chord chord;
  int32 smpteOffsetSubframes;
  FrameRate frameRate;
  int32 samplesToNextClock;
};

struct ParameterInfo {
  ParamID id;
  String128 title;
  String128 shortTitle;
  String128 units;
  int32 stepCount;
  ParamValue defaultNormalizedValue;
  int32 unitId;
  int32 flags;
};

// Host interfaces the plug-in calls ------------------------------------------------

struct IBStreamTable;
using IBStream = Interface<IBStreamTable>;
struct IBStreamTable {
  V3_FUNKNOWN_SLOTS(IBStream);
  tresult(V3_API* read)(IBStream* self, void* buffer, int32 numBytes, int32* numBytesRead);
  tresult(V3_API* write)(IBStream* self, void* buffer, int32 numBytes, int32* numBytesWritten);
  tresult(V3_API* seek)(IBStream* self, int64 pos, int32 mode, int64* result);
  tresult(V3_API* tell)(IBStream* self, int64* pos);
};

struct IParamValueQueueTable;
using IParamValueQueue = Interface<IParamValueQueueTable>;
struct IParamValueQueueTable {
  V3_FUNKNOWN_SLOTS(IParamValueQueue);
  ParamID(V3_API* getParameterId)(IParamValueQueue* self);
  int32(V3_API* getPointCount)(IParamValueQueue* self);
  tresult(V3_API* getPoint)(IParamValueQueue* self, int32 index, int32* sampleOffset, ParamValue* value);
  tresult(V3_API* addPoint)(IParamValueQueue* self, int32 sampleOffset, ParamValue value, int32* index);
};

struct IParameterChangesTable;
using IParameterChanges = Interface<IParameterChangesTable>;
struct IParameterChangesTable {
  V3_FUNKNOWN_SLOTS(IParameterChanges);
  int32(V3_API* getParameterCount)(IParameterChanges* self);
  IParamValueQueue*(V3_API* getParameterData)(IParameterChanges* self, int32 index);
  IParamValueQueue*(V3_API* addParameterData)(IParameterChanges* self, const ParamID* id, int32* index);
};

struct IComponentHandlerTable;
using IComponentHandler = Interface<IComponentHandlerTable>;
struct IComponentHandlerTable {
  V3_FUNKNOWN_SLOTS(IComponentHandler);
  tresult(V3_API* beginEdit)(IComponentHandler* self, ParamID id);
  tresult(V3_API* performEdit)(IComponentHandler* self, ParamID id, ParamValue valueNormalized);
  tresult(V3_API* endEdit)(IComponentHandler* self, ParamID id);
  tresult(V3_API* restartComponent)(IComponentHandler* self, int32 flags);
};

struct IHostApplicationTable;
using IHostApplication = Interface<IHostApplicationTable>;
struct IHostApplicationTable {
  V3_FUNKNOWN_SLOTS(IHostApplication);
  tresult(V3_API* getName)(IHostApplication* self, char16* name);
  tresult(V3_API* createInstance)(IHostApplication* self, char* cid, char* iid, void** object);
};

struct IEventList;  // never called: the plug-in has no event bus

struct ProcessData {
  int32 processMode;
  int32 symbolicSampleSize;
  int32 numSamples;
  int32 numInputs;
  int32 numOutputs;
  AudioBusBuffers* inputs;
  AudioBusBuffers* outputs;
  IParameterChanges* inputParameterChanges;
  IParameterChanges* outputParameterChanges;
  IEventList* inputEvents;
  IEventList* outputEvents;
  ProcessContext* processContext;
};

// Plug-in interfaces ----------------------------------------------------------------

struct IPluginFactoryTable;
using IPluginFactory = Interface<IPluginFactoryTable>;
// One table serves factory versions 1, 2 and 3.
struct IPluginFactoryTable {
  V3_FUNKNOWN_SLOTS(IPluginFactory);
  tresult(V3_API* getFactoryInfo)(IPluginFactory* self, PFactoryInfo* info);
  int32(V3_API* countClasses)(IPluginFactory* self);
  tresult(V3_API* getClassInfo)(IPluginFactory* self, int32 index, PClassInfo* info);
  tresult(V3_API* createInstance)(IPluginFactory* self, const char* cid, const char* iid, void** object);
  tresult(V3_API* getClassInfo2)(IPluginFactory* self, int32 index, PClassInfo2* info);
  tresult(V3_API* getClassInfoUnicode)(IPluginFactory* self, int32 index, PClassInfoW* info);
  tresult(V3_API* setHostContext)(IPluginFactory* self, FUnknown* context);
};

struct IComponentTable;
using IComponent = Interface<IComponentTable>;
struct IComponentTable {
  V3_FUNKNOWN_SLOTS(IComponent);
  tresult(V3_API* initialize)(IComponent* self, FUnknown* context);
  tresult(V3_API* terminate)(IComponent* self);
  tresult(V3_API* getControllerClassId)(IComponent* self, char* classId);
  tresult(V3_API* setIoMode)(IComponent* self, int32 mode);
  int32(V3_API* getBusCount)(IComponent* self, int32 type, int32 dir);
  tresult(V3_API* getBusInfo)(IComponent* self, int32 type, int32 dir, int32 index, BusInfo* bus);
  tresult(V3_API* getRoutingInfo)(IComponent* self, RoutingInfo* inInfo, RoutingInfo* outInfo);
  tresult(V3_API* activateBus)(IComponent* self, int32 type, int32 dir, int32 index, TBool state);
  tresult(V3_API* setActive)(IComponent* self, TBool state);
  tresult(V3_API* setState)(IComponent* self, IBStream* state);
  tresult(V3_API* getState)(IComponent* self, IBStream* state);
};

struct IAudioProcessorTable;
using IAudioProcessor = Interface<IAudioProcessorTable>;
struct IAudioProcessorTable {
  V3_FUNKNOWN_SLOTS(IAudioProcessor);
  tresult(V3_API* setBusArrangements)(IAudioProcessor* self, SpeakerArrangement* inputs, int32 numIns,
                                      SpeakerArrangement* outputs, int32 numOuts);
  tresult(V3_API* getBusArrangement)(IAudioProcessor* self, int32 dir, int32 index, SpeakerArrangement* arr);
  tresult(V3_API* canProcessSampleSize)(IAudioProcessor* self, int32 symbolicSampleSize);
  uint32(V3_API* getLatencySamples)(IAudioProcessor* self);
  tresult(V3_API* setupProcessing)(IAudioProcessor* self, ProcessSetup* setup);
  tresult(V3_API* setProcessing)(IAudioProcessor* self, TBool state);
  tresult(V3_API* process)(IAudioProcessor* self, ProcessData* data);
  uint32(V3_API* getTailSamples)(IAudioProcessor* self);
};

struct IProcessContextRequirementsTable;
using IProcessContextRequirements = Interface<IProcessContextRequirementsTable>;
struct IProcessContextRequirementsTable {
  V3_FUNKNOWN_SLOTS(IProcessContextRequirements);
  uint32(V3_API* getProcessContextRequirements)(IProcessContextRequirements* self);
};

struct IPlugView;

struct IEditControllerTable;
using IEditController = Interface<IEditControllerTable>;
struct IEditControllerTable {
  V3_FUNKNOWN_SLOTS(IEditController);
  tresult(V3_API* initialize)(IEditController* self, FUnknown* context);
  tresult(V3_API* terminate)(IEditController* self);
  tresult(V3_API* setComponentState)(IEditController* self, IBStream* state);
  tresult(V3_API* setState)(IEditController* self, IBStream* state);
  tresult(V3_API* getState)(IEditController* self, IBStream* state);
  int32(V3_API* getParameterCount)(IEditController* self);
  tresult(V3_API* getParameterInfo)(IEditController* self, int32 paramIndex, ParameterInfo* info);
  tresult(V3_API* getParamStringByValue)(IEditController* self, ParamID id, ParamValue valueNormalized,
                                         char16* string);
  tresult(V3_API* getParamValueByString)(IEditController* self, ParamID id, char16* string,
                                         ParamValue* valueNormalized);
  ParamValue(V3_API* normalizedParamToPlain)(IEditController* self, ParamID id, ParamValue valueNormalized);
  ParamValue(V3_API* plainParamToNormalized)(IEditController* self, ParamID id, ParamValue plainValue);
  ParamValue(V3_API* getParamNormalized)(IEditController* self, ParamID id);
  tresult(V3_API* setParamNormalized)(IEditController* self, ParamID id, ParamValue value);
  tresult(V3_API* setComponentHandler)(IEditController* self, IComponentHandler* handler);
  IPlugView*(V3_API* createView)(IEditController* self, const char* name);
};

#undef V3_FUNKNOWN_SLOTS

#pragma pack(pop)

// Entry points of the module.
using GetPluginFactoryProc = IPluginFactory*(V3_API*)();
using ModuleEntryProc = bool (*)(void* libraryHandle);
using ModuleExitProc = bool (*)();
using InitDllProc = bool (*)();
using ExitDllProc = bool (*)();

// Constants -------------------------------------------------------------------------

inline constexpr int32 kUnicode = 16;  // PFactoryInfo::flags
inline constexpr int32 kManyInstances = 0x7FFFFFFF;
inline constexpr const char* kVstAudioEffectClass = "Audio Module Class";

enum MediaType : int32 { kAudio = 0, kEvent = 1 };
enum BusDirection : int32 { kInput = 0, kOutput = 1 };
enum BusType : int32 { kMain = 0, kAux = 1 };
inline constexpr uint32 kDefaultActive = 1;  // BusInfo::flags

inline constexpr SpeakerArrangement kEmpty = 0;
inline constexpr SpeakerArrangement kMono = SpeakerArrangement{1} << 19;
inline constexpr SpeakerArrangement kStereo = 3;

inline constexpr int32 kCanAutomate = 1;
inline constexpr int32 kIsReadOnly = 2;
inline constexpr int32 kIsList = 8;
inline constexpr int32 kIsHidden = 16;
inline constexpr int32 kIsBypass = 1 << 16;
inline constexpr int32 kRootUnitId = 0;

enum SymbolicSampleSize : int32 { kSample32 = 0, kSample64 = 1 };
enum ProcessMode : int32 { kRealtime = 0, kPrefetch = 1, kOffline = 2 };
inline constexpr uint32 kNoTail = 0;
// ProcessContext::state bits; each has the value of the VST 2.4 time flag of the same meaning.
inline constexpr uint32 kContextPlaying = 1u << 1, kContextCycleActive = 1u << 2, kContextRecording = 1u << 3,
                        kContextProjectTimeMusicValid = 1u << 9, kContextTempoValid = 1u << 10,
                        kContextBarPositionValid = 1u << 11, kContextCycleValid = 1u << 12,
                        kContextTimeSigValid = 1u << 13;
// IProcessContextRequirements flags.
inline constexpr uint32 kNeedProjectTimeMusic = 1u << 2, kNeedBarPositionMusic = 1u << 3, kNeedCycleMusic = 1u << 4,
                        kNeedTempo = 1u << 6, kNeedTimeSignature = 1u << 7, kNeedTransportState = 1u << 10;

// Layouts per target ----------------------------------------------------------------

// The layout follows the pointer size alone because every shipped target aligns 64-bit
// members to 8 inside structs, 32-bit ones included (Windows and the ARM procedure call
// standard do). 32-bit x86 Linux (the fuzz targets' second build) aligns them to 4, and a
// pack(8) pragma only ever lowers alignment, so its natural C layout is the ABI there,
// checked apart. The records here hold no note-expression event, whose packing differs
// on 32-bit Windows alone.
inline constexpr std::size_t kPtr = sizeof(void*);
struct AlignProbe {
  char first;
  std::int64_t wide;
};
static_assert(kPtr == 4 || kPtr == 8);
#if defined(__i386__) && !defined(_WIN32)
inline constexpr bool kWide4 = true;
#else
inline constexpr bool kWide4 = false;
#endif
static_assert(offsetof(AlignProbe, wide) == (kWide4 ? 4 : 8),
              "64-bit members are 8-aligned in structs but on i386 Linux");

static_assert(sizeof(char16) == 2 && sizeof(String128) == 256);
static_assert(sizeof(TUID) == 16);
static_assert(sizeof(PFactoryInfo) == 452 && alignof(PFactoryInfo) == 4);
static_assert(offsetof(PFactoryInfo, url) == 64 && offsetof(PFactoryInfo, email) == 320 &&
              offsetof(PFactoryInfo, flags) == 448);
static_assert(sizeof(PClassInfo) == 116 && alignof(PClassInfo) == 4);
static_assert(offsetof(PClassInfo, cardinality) == 16 && offsetof(PClassInfo, category) == 20 &&
              offsetof(PClassInfo, name) == 52);
static_assert(sizeof(PClassInfo2) == 440 && alignof(PClassInfo2) == 4);
static_assert(offsetof(PClassInfo2, classFlags) == 116 && offsetof(PClassInfo2, subCategories) == 120 &&
              offsetof(PClassInfo2, vendor) == 248 && offsetof(PClassInfo2, version) == 312 &&
              offsetof(PClassInfo2, sdkVersion) == 376);
static_assert(sizeof(PClassInfoW) == 696 && alignof(PClassInfoW) == 4);
static_assert(offsetof(PClassInfoW, name) == 52 && offsetof(PClassInfoW, classFlags) == 180 &&
              offsetof(PClassInfoW, subCategories) == 184 && offsetof(PClassInfoW, vendor) == 312 &&
              offsetof(PClassInfoW, version) == 440 && offsetof(PClassInfoW, sdkVersion) == 568);
static_assert(sizeof(BusInfo) == 276 && alignof(BusInfo) == 4);
static_assert(offsetof(BusInfo, channelCount) == 8 && offsetof(BusInfo, name) == 12 &&
              offsetof(BusInfo, busType) == 268 && offsetof(BusInfo, flags) == 272);
static_assert(sizeof(RoutingInfo) == 12 && offsetof(RoutingInfo, channel) == 8);
static_assert(kWide4 || (sizeof(ProcessSetup) == 24 && alignof(ProcessSetup) == 8));
static_assert(kWide4 || (offsetof(ProcessSetup, maxSamplesPerBlock) == 8 && offsetof(ProcessSetup, sampleRate) == 16));
static_assert(kWide4 || (sizeof(AudioBusBuffers) == 24 && alignof(AudioBusBuffers) == 8));
static_assert(kWide4 ||
              (offsetof(AudioBusBuffers, silenceFlags) == 8 && offsetof(AudioBusBuffers, channelBuffers32) == 16 &&
               offsetof(AudioBusBuffers, channelBuffers64) == 16));
static_assert(sizeof(Chord) == 4 && alignof(Chord) == 2 && offsetof(Chord, chordMask) == 2);
static_assert(sizeof(FrameRate) == 8 && alignof(FrameRate) == 4);
static_assert(kWide4 || (sizeof(ProcessContext) == 112 && alignof(ProcessContext) == 8));
static_assert(kWide4 ||
              (offsetof(ProcessContext, sampleRate) == 8 && offsetof(ProcessContext, projectTimeSamples) == 16 &&
               offsetof(ProcessContext, systemTime) == 24 && offsetof(ProcessContext, continousTimeSamples) == 32 &&
               offsetof(ProcessContext, projectTimeMusic) == 40 && offsetof(ProcessContext, barPositionMusic) == 48 &&
               offsetof(ProcessContext, cycleStartMusic) == 56 && offsetof(ProcessContext, cycleEndMusic) == 64 &&
               offsetof(ProcessContext, tempo) == 72 && offsetof(ProcessContext, timeSigNumerator) == 80 &&
               offsetof(ProcessContext, timeSigDenominator) == 84 && offsetof(ProcessContext, chord) == 88 &&
               offsetof(ProcessContext, smpteOffsetSubframes) == 92 && offsetof(ProcessContext, frameRate) == 96 &&
               offsetof(ProcessContext, samplesToNextClock) == 104));
static_assert(kWide4 || (sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 8));
static_assert(offsetof(ParameterInfo, title) == 4 && offsetof(ParameterInfo, shortTitle) == 260 &&
              offsetof(ParameterInfo, units) == 516 && offsetof(ParameterInfo, stepCount) == 772 &&
              offsetof(ParameterInfo, defaultNormalizedValue) == 776 && offsetof(ParameterInfo, unitId) == 784 &&
              offsetof(ParameterInfo, flags) == 788);
static_assert(offsetof(ProcessData, numOutputs) == 16);
static_assert(kPtr == 4 ? (sizeof(ProcessData) == 48 && alignof(ProcessData) == 4 &&
                           offsetof(ProcessData, inputs) == 20 && offsetof(ProcessData, outputs) == 24 &&
                           offsetof(ProcessData, inputParameterChanges) == 28 &&
                           offsetof(ProcessData, outputParameterChanges) == 32 &&
                           offsetof(ProcessData, inputEvents) == 36 && offsetof(ProcessData, outputEvents) == 40 &&
                           offsetof(ProcessData, processContext) == 44)
                        : (sizeof(ProcessData) == 80 && alignof(ProcessData) == 8 &&
                           offsetof(ProcessData, inputs) == 24 && offsetof(ProcessData, outputs) == 32 &&
                           offsetof(ProcessData, inputParameterChanges) == 40 &&
                           offsetof(ProcessData, outputParameterChanges) == 48 &&
                           offsetof(ProcessData, inputEvents) == 56 && offsetof(ProcessData, outputEvents) == 64 &&
                           offsetof(ProcessData, processContext) == 72));
// i386 Linux: the records above with 64-bit members, those members 4-aligned.
static_assert(!kWide4 ||
              (sizeof(ProcessSetup) == 20 && alignof(ProcessSetup) == 4 && offsetof(ProcessSetup, sampleRate) == 12));
static_assert(!kWide4 ||
              (sizeof(AudioBusBuffers) == 16 && alignof(AudioBusBuffers) == 4 &&
               offsetof(AudioBusBuffers, silenceFlags) == 4 && offsetof(AudioBusBuffers, channelBuffers32) == 12));
static_assert(!kWide4 ||
              (sizeof(ProcessContext) == 104 && alignof(ProcessContext) == 4 &&
               offsetof(ProcessContext, sampleRate) == 4 && offsetof(ProcessContext, projectTimeSamples) == 12 &&
               offsetof(ProcessContext, tempo) == 68 && offsetof(ProcessContext, timeSigNumerator) == 76 &&
               offsetof(ProcessContext, chord) == 84 && offsetof(ProcessContext, frameRate) == 92 &&
               offsetof(ProcessContext, samplesToNextClock) == 100));
static_assert(!kWide4 || (sizeof(ParameterInfo) == 792 && alignof(ParameterInfo) == 4 &&
                          offsetof(ParameterInfo, defaultNormalizedValue) == 776));
// Slot counts: a table is only function pointers, in the documented order.
static_assert(sizeof(FUnknownTable) == 3 * kPtr);
static_assert(sizeof(IBStreamTable) == 7 * kPtr && offsetof(IBStreamTable, tell) == 6 * kPtr);
static_assert(sizeof(IParamValueQueueTable) == 7 * kPtr && offsetof(IParamValueQueueTable, getPoint) == 5 * kPtr);
static_assert(sizeof(IParameterChangesTable) == 6 * kPtr);
static_assert(sizeof(IComponentHandlerTable) == 7 * kPtr);
static_assert(sizeof(IHostApplicationTable) == 5 * kPtr);
static_assert(sizeof(IPluginFactoryTable) == 10 * kPtr && offsetof(IPluginFactoryTable, getClassInfo2) == 7 * kPtr &&
              offsetof(IPluginFactoryTable, setHostContext) == 9 * kPtr);
static_assert(sizeof(IComponentTable) == 14 * kPtr && offsetof(IComponentTable, getControllerClassId) == 5 * kPtr &&
              offsetof(IComponentTable, getState) == 13 * kPtr);
static_assert(sizeof(IAudioProcessorTable) == 11 * kPtr && offsetof(IAudioProcessorTable, process) == 9 * kPtr);
static_assert(sizeof(IProcessContextRequirementsTable) == 4 * kPtr);
static_assert(sizeof(IEditControllerTable) == 18 * kPtr &&
              offsetof(IEditControllerTable, setComponentState) == 5 * kPtr &&
              offsetof(IEditControllerTable, getParamStringByValue) == 10 * kPtr &&
              offsetof(IEditControllerTable, createView) == 17 * kPtr);

}  // namespace vst3
