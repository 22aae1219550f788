// The effect base's fixed sizes and limits, and the records of its programs
// and undo history. Shared by the effect base, the editor base and the
// tests; nothing here holds state.
#pragma once

#include <atomic>
#include <cstdint>

// A gain in decibels becomes a linear factor as exp(dB * kfDbLogScaleFactor).
constexpr double kfDbLogScaleFactor = 0.11512925464970229;  // ln(10) / 20

constexpr int kXrNumPrograms = 20;
constexpr int kXrMaxParams = 3000;              // value slots per program
constexpr int kXrProgramNameLen = 24;           // characters, without terminator
constexpr int kXrFirstPersistantParam = 9000;
constexpr int kXrMaxPersistantParams = 100;
constexpr int kXrPersistantScale = 1048576;     // stored integer per 1.0
constexpr int kXrUndoRingSize = 10000;
constexpr int kXrUndoRequest = 10001;           // beginEdit argument: undo
constexpr int kXrRedoRequest = 10002;           // beginEdit argument: redo
constexpr int kXrUndoGroupStart = 10003;        // undo history markers
constexpr int kXrUndoGroupEnd = 10004;
constexpr int kXrEmptyUndoEntry = -1;
constexpr int kXrDefaultQualityRating = 30;
constexpr unsigned kXrFxIdleGateMs = 50;        // fxIdle within this of the last pass does no heavy work
constexpr unsigned kXrLinkPollMs = 500;         // linked quality settings are read this often

// One program: a name and the value of parameter i at position i.
struct ProgramRecord {
  ProgramRecord();
  ProgramRecord(const ProgramRecord&) = delete;
  ProgramRecord& operator=(const ProgramRecord&) = delete;
  // Copies name and values (each value atomically, not the record as a whole).
  void CopyFrom(const ProgramRecord& other);

  char name[kXrProgramNameLen + 1];
  std::atomic<float> values[kXrMaxParams];
};

// A parameter index with the value to restore, or a marker.
struct UndoEntry {
  int32_t nIndex;  // parameter, kXrUndoGroupStart/End, or kXrEmptyUndoEntry
  float fValue;
};
