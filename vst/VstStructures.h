// The published VST 2.4 structures and enumerations that the effect layer's
// signatures use, with their x86-64 layout checked. Included by
// VstInterface.h; include that header rather than this one.
#pragma once

#include "vst/VstInterface.h"

// Editor rectangle in pixels.
struct ERect {
  VstInt16 top;
  VstInt16 left;
  VstInt16 bottom;
  VstInt16 right;
};
static_assert(sizeof(ERect) == 8, "ERect layout");

// A key event handed to the editor.
struct VstKeyCode {
  VstInt32 character;       // ASCII character
  unsigned char virt;       // VstVirtualKey
  unsigned char modifier;   // VstModifierKey bits
};
static_assert(sizeof(VstKeyCode) == 8 && offsetof(VstKeyCode, virt) == 4 &&
                  offsetof(VstKeyCode, modifier) == 5,
              "VstKeyCode layout");

// Virtual key codes (VstKeyCode::virt) of the keys the toolkit knows.
enum VstVirtualKey : unsigned char {
  VKEY_BACK = 1,
  VKEY_TAB = 2,
  VKEY_RETURN = 4,
  VKEY_PAUSE = 5,
  VKEY_ESCAPE = 6,
  VKEY_SPACE = 7,
  VKEY_END = 9,
  VKEY_HOME = 10,
  VKEY_LEFT = 11,
  VKEY_UP = 12,
  VKEY_RIGHT = 13,
  VKEY_DOWN = 14,
  VKEY_PAGEUP = 15,
  VKEY_PAGEDOWN = 16,
  VKEY_PRINT = 18,
  VKEY_ENTER = 19,
  VKEY_DELETE = 22,
  VKEY_HELP = 23,
  VKEY_NUMPAD0 = 24,  // to VKEY_NUMPAD9 = 33
  VKEY_NUMPAD9 = 33,
  VKEY_MULTIPLY = 34,
  VKEY_ADD = 35,
  VKEY_SUBTRACT = 37,
  VKEY_DECIMAL = 38,
  VKEY_DIVIDE = 39,
  VKEY_F1 = 40,  // to VKEY_F12 = 51
  VKEY_F12 = 51,
  VKEY_NUMLOCK = 52,
  VKEY_EQUALS = 57,
};

enum VstModifierKey {
  MODIFIER_SHIFT = 1 << 0,
  MODIFIER_ALTERNATE = 1 << 1,
  MODIFIER_COMMAND = 1 << 2,
  MODIFIER_CONTROL = 1 << 3,
};

// Transport and timing as the host answers audioMasterGetTime.
struct VstTimeInfo {
  double samplePos;      // current position in sample frames
  double sampleRate;
  double nanoSeconds;    // system time
  double ppqPos;         // musical position in quarter notes
  double tempo;          // beats per minute
  double barStartPos;    // quarter-note position of the last bar start
  double cycleStartPos;
  double cycleEndPos;
  VstInt32 timeSigNumerator;
  VstInt32 timeSigDenominator;
  VstInt32 smpteOffset;
  VstInt32 smpteFrameRate;
  VstInt32 samplesToNextClock;
  VstInt32 flags;        // VstTimeInfoFlags
};
static_assert(offsetof(VstTimeInfo, timeSigNumerator) == 64 && offsetof(VstTimeInfo, flags) == 84 &&
                  sizeof(VstTimeInfo) == 88,
              "VstTimeInfo layout");

enum VstTimeInfoFlags {
  kVstTransportChanged = 1,
  kVstTransportPlaying = 1 << 1,
  kVstTransportCycleActive = 1 << 2,
  kVstTransportRecording = 1 << 3,
  kVstAutomationWriting = 1 << 6,
  kVstAutomationReading = 1 << 7,
  kVstNanosValid = 1 << 8,
  kVstPpqPosValid = 1 << 9,
  kVstTempoValid = 1 << 10,
  kVstBarsValid = 1 << 11,
  kVstCyclePosValid = 1 << 12,
  kVstTimeSigValid = 1 << 13,
  kVstSmpteValid = 1 << 14,
  kVstClockValid = 1 << 15,
};

// One loudspeaker of an arrangement.
struct VstSpeakerProperties {
  float azimuth;
  float elevation;
  float radius;
  float reserved;
  char name[kVstMaxNameLen];
  VstInt32 type;
  char future[28];
};
static_assert(offsetof(VstSpeakerProperties, name) == 16 &&
                  offsetof(VstSpeakerProperties, type) == 80 && sizeof(VstSpeakerProperties) == 112,
              "VstSpeakerProperties layout");

// A speaker arrangement: the declared array holds eight speakers, but an
// arrangement may be allocated with room for any number of them.
struct VstSpeakerArrangement {
  VstInt32 type;         // VstSpeakerArrangementType
  VstInt32 numChannels;
  VstSpeakerProperties speakers[8];
};
static_assert(offsetof(VstSpeakerArrangement, speakers) == 8 &&
                  sizeof(VstSpeakerArrangement) == 8 + 8 * 112,
              "VstSpeakerArrangement layout");

enum VstSpeakerArrangementType {
  kSpeakerArrUserDefined = -2,
  kSpeakerArrEmpty = -1,
  kSpeakerArrMono = 0,
  kSpeakerArrStereo,
};

// Properties of one input or output pin.
struct VstPinProperties {
  char label[kVstMaxLabelLen];
  VstInt32 flags;
  VstInt32 arrangementType;
  char shortLabel[kVstMaxShortLabelLen];
  char future[48];
};
static_assert(sizeof(VstPinProperties) == 128, "VstPinProperties layout");

// Extended description of one parameter.
struct VstParameterProperties {
  float stepFloat;
  float smallStepFloat;
  float largeStepFloat;
  char label[kVstMaxLabelLen];
  VstInt32 flags;
  VstInt32 minInteger;
  VstInt32 maxInteger;
  VstInt32 stepInteger;
  VstInt32 largeStepInteger;
  char shortLabel[kVstMaxShortLabelLen];
  VstInt16 displayIndex;
  VstInt16 category;
  VstInt16 numParametersInCategory;
  VstInt16 reserved;
  char categoryLabel[kVstMaxCategLabelLen];
  char future[16];
};
static_assert(offsetof(VstParameterProperties, flags) == 76 &&
                  offsetof(VstParameterProperties, categoryLabel) == 112 &&
                  sizeof(VstParameterProperties) == 152,
              "VstParameterProperties layout");

// What the host tells the plug-in before it loads a bank or program.
struct VstPatchChunkInfo {
  VstInt32 version;
  VstInt32 pluginUniqueID;
  VstInt32 pluginVersion;
  VstInt32 numElements;
  char future[48];
};
static_assert(sizeof(VstPatchChunkInfo) == 64, "VstPatchChunkInfo layout");

// A generic event and the list of events handed to effProcessEvents.
struct VstEvent {
  VstInt32 type;
  VstInt32 byteSize;
  VstInt32 deltaFrames;
  VstInt32 flags;
  char data[16];
};
static_assert(sizeof(VstEvent) == 32, "VstEvent layout");

struct VstEvents {
  VstInt32 numEvents;
  VstIntPtr reserved;
  VstEvent* events[2];  // numEvents entries in practice
};
static_assert(offsetof(VstEvents, events) == 16 && sizeof(VstEvents) == 32, "VstEvents layout");

// Buffers for variable-rate processing.
struct VstVariableIo {
  float** inputs;
  float** outputs;
  VstInt32 numSamplesInput;
  VstInt32 numSamplesOutput;
  VstInt32* numSamplesInputProcessed;
  VstInt32* numSamplesOutputProcessed;
};
static_assert(sizeof(VstVariableIo) == 40, "VstVariableIo layout");

struct MidiProgramName {
  VstInt32 thisProgramIndex;
  char name[kVstMaxNameLen];
  char midiProgram;
  char midiBankMsb;
  char midiBankLsb;
  char reserved;
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};
static_assert(sizeof(MidiProgramName) == 80, "MidiProgramName layout");

struct MidiProgramCategory {
  VstInt32 thisCategoryIndex;
  char name[kVstMaxNameLen];
  VstInt32 parentCategoryIndex;
  VstInt32 flags;
};
static_assert(sizeof(MidiProgramCategory) == 76, "MidiProgramCategory layout");

struct MidiKeyName {
  VstInt32 thisProgramIndex;
  VstInt32 thisKeyNumber;
  char keyName[kVstMaxNameLen];
  VstInt32 reserved;
  VstInt32 flags;
};
static_assert(sizeof(MidiKeyName) == 80, "MidiKeyName layout");

// Offline processing selector, passed by value.
enum VstOfflineOption {
  kVstOfflineAudio,
  kVstOfflinePeaks,
  kVstOfflineParameter,
  kVstOfflineMarker,
  kVstOfflineCursor,
  kVstOfflineSelection,
  kVstOfflineQueryFiles,
};

// Only passed through as pointers by this layer.
struct VstFileSelect;
struct VstOfflineTask;
struct VstAudioFile;
struct VstWindow;

enum VstPlugCategory {
  kPlugCategUnknown = 0,
  kPlugCategEffect,
  kPlugCategSynth,
  kPlugCategAnalysis,
  kPlugCategMastering,
  kPlugCategSpacializer,
  kPlugCategRoomFx,
  kPlugSurroundFx,
  kPlugCategRestoration,
  kPlugCategOfflineProcess,
  kPlugCategShell,
  kPlugCategGenerator,
};

enum VstProcessLevels {
  kVstProcessLevelUnknown = 0,
  kVstProcessLevelUser,
  kVstProcessLevelRealtime,
  kVstProcessLevelPrefetch,
  kVstProcessLevelOffline,
};

enum VstAutomationStates {
  kVstAutomationUnsupported = 0,
  kVstAutomationOff,
  kVstAutomationRead,
  kVstAutomationWrite,
  kVstAutomationReadWrite,
};

enum VstProcessPrecision {
  kVstProcessPrecision32 = 0,
  kVstProcessPrecision64,
};
