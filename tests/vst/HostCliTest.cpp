// The qvxhost program as a user runs it: its printed record, and a one-line
// error with a non-zero exit for every kind of bad input.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "HostRunSupport.h"
#include "tools/qvxhost/AudioIO.h"

namespace {

TEST(HostCliTest, PrintsTheRecord) {
  const RunResult r = RunHost(std::string(QVX_TEST_MODULE));
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("magic:          'VstP' (0x56737450)"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("flags:          16 (CanReplacing)"), std::string::npos);
  EXPECT_NE(r.out.find("programs:       20\n"), std::string::npos);
  EXPECT_NE(r.out.find("parameters:     5\n"), std::string::npos);
  EXPECT_NE(r.out.find("inputs:         2\noutputs:        2\n"), std::string::npos);
  EXPECT_NE(r.out.find("unique id:      'QvPT'"), std::string::npos);
  EXPECT_NE(r.out.find("latency:        0\n"), std::string::npos);
  EXPECT_TRUE(r.err.empty());
}

TEST(HostCliTest, SetsParametersAndProgramsAndShowsThem) {
  const RunResult r = RunHost(std::string(QVX_TEST_MODULE) + " --program 4 --set 1=0.5 --params --programs --log");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("    1  Delay                    smp      2048"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("program  19: Pass 20"), std::string::npos);
  EXPECT_NE(r.out.find("host call: ioChanged latency 0 -> 2048"), std::string::npos);
  EXPECT_NE(r.out.find("with an index outside the parameters: 0"), std::string::npos);
}

TEST(HostCliTest, RendersTheTestSignalToAFileAndBenchmarks) {
  const std::string wav = testing::TempDir() + "qvxhost_render_" + std::to_string(::getpid()) + ".wav";
  const RunResult r =
      RunHost(std::string(QVX_TEST_MODULE) + " --signal sine:440 --seconds 0.5 --rate 48000 --blocks 64,1000,7 --bench"
                                         " --output " + wav);
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("real-time factor:"), std::string::npos);
  EXPECT_NE(r.out.find("worst block:"), std::string::npos);
  AudioBuffer audio;
  double rate = 0.0;
  std::string error;
  ASSERT_TRUE(ReadAudioFile(wav, audio, rate, error)) << error;
  EXPECT_EQ(rate, 48000.0);
  EXPECT_EQ(audio.NumChannels(), 2);
  EXPECT_EQ(audio.NumFrames(), 24000);
  std::remove(wav.c_str());
}

TEST(HostCliTest, SweepsAndReportsAPlugInThatCrashes) {
  RunResult r = RunHost(std::string(QVX_TEST_MODULE) + " --sweep");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("the effect still renders finite audio afterwards"), std::string::npos) << r.out;
  r = RunHost(std::string(QVX_TEST_MODULE_ABORTING) + " --sweep-range 50:50");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("qvxhost: error: the plug-in crashed (signal 6) during the sweep at dispatcher opcode 50, "
                       "index -2147483648"),
            std::string::npos)
      << r.err;
}

TEST(HostCliTest, SweepReportsEditsWithIndexesOutsideTheParameters) {
  RunResult r = RunHost(std::string(QVX_TEST_MODULE_ABORTING) + " --sweep-range 52:52");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(Lines(r.err), 1) << r.err;
  EXPECT_NE(r.err.find("during the sweep the plug-in sent the host 72 edits with an index outside its parameters"),
            std::string::npos)
      << r.err;
  r = RunHost(std::string(QVX_TEST_MODULE_ABORTING) + " --sweep-range 51:51");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("with an index outside the parameters: 0"), std::string::npos) << r.out;
}

TEST(HostCliTest, BadInputGivesOneLineAndANonZeroExit) {
  const std::string module = QVX_TEST_MODULE;
  const std::string editor = QVX_TEST_MODULE_EDITOR;
  const struct {
    std::string args;
    int exitCode;
    const char* message;
  } cases[] = {
      {"", 2, "no plug-in given"},
      {"/nonexistent/x.so", 1, "cannot open /nonexistent/x.so"},
      {"/etc/hostname", 1, "not a loadable library"},
      {std::string(QVX_TEST_MODULE_NORECORD), 1, "returned no effect record"},
      {module + " --host-version 0", 1, "(the host answered version 0)"},
      {module + " --input /etc/hostname", 1, "cannot read /etc/hostname"},
      {module + " --input /nonexistent.wav", 1, "cannot read"},
      {module + " --blocks 0", 2, "bad block size"},
      {module + " --blocks random:9-1", 2, "bad block sizes"},
      {module + " --set 1", 2, "bad value '1' for --set"},
      {module + " --set 1=1.5", 2, "bad value"},
      {module + " --set 7=0.5", 1, "parameter 7 is outside the effect's 5 parameters"},
      {module + " --program 20", 1, "program 20 is outside"},
      {module + " --program -1", 2, "bad value"},
      {module + " --rate abc", 2, "bad value 'abc' for --rate"},
      {module + " --rate 1e9", 2, "bad value"},
      {module + " --seconds -1", 2, "bad value"},
      {module + " --signal chirp", 2, "unknown test signal"},
      {module + " --transport maybe", 2, "bad value"},
      {module + " --sweep-range 5:1", 2, "bad value"},
      {module + " --frobnicate", 2, "unknown option --frobnicate"},
      {module + " --output", 2, "needs an argument"},
      {module + " " + module, 2, "more than one plug-in"},
      {module + " --input x.wav --rate 48000", 2, "cannot be combined"},
      {module + " --measure-edit", 2, "needs an --edit"},
      {module + " --render --output /nonexistent/dir/out.wav --seconds 0.1", 1, "cannot write"},
      {module + " --editor", 1, "QVXPassThroughTest.so has no editor (its flags lack HasEditor)"},
      {module + " --cycles 3", 2, "need --editor"},
      {module + " --editor --output x.wav", 2, "--editor cannot be combined with --output"},
      {editor + " --editor --instances 17", 2, "bad value '17' for --instances"},
      {editor + " --editor --script 'move 1,2; drag 1,2'", 2,
       "bad script step 2 'drag 1,2' (expected drag X1,Y1 X2,Y2 [STEPS 1-1000])"},
      {editor + " --editor --script 'frob'", 2, "bad script step 1 'frob' (unknown step)"},
      {editor + " --editor --script 'key Nonesuch'", 2, "unknown key name 'Nonesuch'"},
      {editor + " --editor --instances 2 --script 'instance 3'", 2, "there are 2 instances"},
      {editor + " --editor --script-file /nonexistent/steps", 1, "cannot read the script /nonexistent/steps"},
  };
  for (const auto& c : cases) {
    const RunResult r = RunHost(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args << "\n" << r.err;
    EXPECT_EQ(Lines(r.err), 1) << c.args << "\n" << r.err;
    EXPECT_EQ(r.err.rfind("qvxhost: error: ", 0), 0u) << c.args << "\n" << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.args << "\n" << r.err;
  }
}

}  // namespace
