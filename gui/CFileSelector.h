// CFileSelector: runs a file or folder chooser for an effect and fills a
// VST file-select record with the chosen path or paths. The chooser is the
// host's own, through the effect's openFileSelector; a host that offers none
// gets no chooser, and run reports that nothing was chosen.
//
// Thread contract: the host's user-interface thread (the host's chooser is
// modal there).
#pragma once

#include "vst/VstInterface.h"

// The VST 2.4 file-select records, as hosts lay them out.
enum VstFileSelectCommand {
  kVstFileLoad = 0,          // one file to open
  kVstFileSave = 1,          // a file to save
  kVstMultipleFilesLoad = 2, // files to open
  kVstDirectorySelect = 3    // a folder
};

struct VstFileType {
  char name[128];
  char macType[8];
  char dosType[8];
  char unixType[8];
  char mimeType1[128];
  char mimeType2[128];
};
static_assert(sizeof(VstFileType) == 408, "VstFileType layout");

struct VstFileSelect {
  VstInt32 command;           // VstFileSelectCommand
  VstInt32 type;
  VstInt32 macCreator;
  VstInt32 nbFileTypes;
  VstFileType* fileTypes;
  char title[1024];
  char* initialPath;
  char* returnPath;           // one chosen path (the caller's buffer, or the host's)
  VstInt32 sizeReturnPath;
  char** returnMultiplePaths; // several chosen paths, the host's
  VstInt32 nbReturnPath;      // how many paths came back
  VstIntPtr reserved;         // 1: the host allocated returnPath
  char future[116];           // future[0] 1: the caller wants POSIX paths
};
static_assert(offsetof(VstFileSelect, fileTypes) == 16 && offsetof(VstFileSelect, title) == 24 &&
                  offsetof(VstFileSelect, initialPath) == 1048 && offsetof(VstFileSelect, sizeReturnPath) == 1064 &&
                  offsetof(VstFileSelect, returnMultiplePaths) == 1072 &&
                  offsetof(VstFileSelect, nbReturnPath) == 1080 && offsetof(VstFileSelect, reserved) == 1088 &&
                  offsetof(VstFileSelect, future) == 1096,
              "VstFileSelect layout");

class CFileSelector {
 public:
  // effect: the AudioEffectX whose host runs the chooser, or null.
  explicit CFileSelector(void* effect);
  // Hands the record back to the host (closeFileSelector) when the host's
  // chooser filled it, so that the host frees what it allocated.
  virtual ~CFileSelector();
  CFileSelector(const CFileSelector&) = delete;
  CFileSelector& operator=(const CFileSelector&) = delete;

  // Clears the record's results and runs the host's chooser when the host
  // answers both "openFileSelector" and "closeFileSelector". The number of
  // paths delivered; 0 on cancel, failure or without a host chooser.
  long run(VstFileSelect* vstFileSelect);

 protected:
  void* ptr;                             // the effect, not owned
  VstFileSelect* vstFileSelect = nullptr;  // the record of the last run, the caller's
  bool hostFilled = false;               // the host's chooser filled the record
};
