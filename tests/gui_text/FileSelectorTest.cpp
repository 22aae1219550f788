// The file selector runs the host's chooser, when the host has one, and hands
// the record back to the host afterwards.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "gui/CFileSelector.h"
#include "gui_frame/FrameTestSupport.h"

namespace {

// A host whose chooser answers with one path, when it has a chooser.
class ChooserHost {
 public:
  explicit ChooserHost(bool offersChooser, bool chooses = true) {
    host.answer = [this, offersChooser, chooses](const FakeHost::Call& call) -> VstIntPtr {
      switch (call.opcode) {
        case audioMasterCanDo: {
          const std::string what = static_cast<const char*>(call.ptr);
          return offersChooser && (what == "openFileSelector" || what == "closeFileSelector") ? 1 : 0;
        }
        case audioMasterOpenFileSelector: {
          if (!chooses) return 0;
          VstFileSelect* record = static_cast<VstFileSelect*>(call.ptr);
          commandSeen = record->command;
          std::snprintf(record->returnPath, static_cast<size_t>(record->sizeReturnPath), "/home/user/take.wav");
          record->nbReturnPath = 1;
          return 1;
        }
        case audioMasterCloseFileSelector:
          closedRecord = call.ptr;
          return 1;
        default:
          return 0;
      }
    };
  }
  FakeHost host;
  VstInt32 commandSeen = -1;
  void* closedRecord = nullptr;
};

struct Record {
  Record(VstInt32 command) {
    std::memset(&select, 0, sizeof select);
    select.command = command;
    select.returnPath = path;
    select.sizeReturnPath = sizeof path;
    std::strcpy(path, "stale");
    select.nbReturnPath = 3;
  }
  VstFileSelect select;
  char path[1024];
};

}  // namespace

TEST(FileSelectorTest, HostChooserFillsTheRecordAndGetsItBack) {
  ChooserHost chooser(true);
  frametest::MinimalEffect effect(FakeHost::Callback);
  for (VstInt32 command : {kVstFileLoad, kVstFileSave, kVstMultipleFilesLoad, kVstDirectorySelect}) {
    Record record(command);
    chooser.closedRecord = nullptr;
    {
      CFileSelector selector(&effect);
      EXPECT_EQ(selector.run(&record.select), 1) << command;
      EXPECT_STREQ(record.path, "/home/user/take.wav");
      EXPECT_EQ(chooser.commandSeen, command);
      EXPECT_EQ(chooser.closedRecord, nullptr) << "the paths stay the caller's to read";
    }
    EXPECT_EQ(chooser.closedRecord, &record.select) << "the host frees what it allocated";
  }
}

TEST(FileSelectorTest, WithoutAHostChooserNothingIsChosen) {
  ChooserHost chooser(false);
  frametest::MinimalEffect effect(FakeHost::Callback);
  Record record(kVstFileLoad);
  {
    CFileSelector selector(&effect);
    EXPECT_EQ(selector.run(&record.select), 0);
    EXPECT_EQ(record.select.nbReturnPath, 0) << "results of an earlier run are cleared";
    EXPECT_STREQ(record.path, "");
    EXPECT_TRUE(chooser.host.CallsOf(audioMasterOpenFileSelector).empty());
  }
  EXPECT_TRUE(chooser.host.CallsOf(audioMasterCloseFileSelector).empty());

  CFileSelector noEffect(nullptr);
  EXPECT_EQ(noEffect.run(&record.select), 0);
  EXPECT_EQ(noEffect.run(nullptr), 0);
}

TEST(FileSelectorTest, CancelledChooserDeliversNothing) {
  ChooserHost chooser(true, false);
  frametest::MinimalEffect effect(FakeHost::Callback);
  Record record(kVstFileLoad);
  {
    CFileSelector selector(&effect);
    EXPECT_EQ(selector.run(&record.select), 0);
  }
  EXPECT_EQ(chooser.closedRecord, nullptr) << "nothing of the host's to hand back";
}

TEST(FileSelectorTest, ASecondRunHandsTheFirstResultBackFirst) {
  ChooserHost chooser(true);
  frametest::MinimalEffect effect(FakeHost::Callback);
  Record first(kVstFileLoad), second(kVstFileLoad);
  CFileSelector selector(&effect);
  selector.run(&first.select);
  selector.run(&second.select);
  EXPECT_EQ(chooser.closedRecord, &first.select);
}
