#include <gtest/gtest.h>

#include <cstring>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "ExceptionCheck.h"
#include "Helpers/Assert.h"

namespace {

TEST(AssertionFailedTest, FirstFailurePrintsOnceThenStaysSilent) {
  ResetAssertionLatchForTesting();
  testing::internal::CaptureStderr();
  EXPECT_FALSE(AssertionFailed("main", 12, "f", "x>0"));
  EXPECT_FALSE(AssertionFailed("other", 1, "g", "y"));
  const std::string printed = testing::internal::GetCapturedStderr();
  EXPECT_EQ(printed, "ASSERTION FAILURE: main(12): f expression='x>0'\n");
  ResetAssertionLatchForTesting();
}

TEST(AssertionFailedTest, MacroPassesTrueExpressionsSilently) {
  ResetAssertionLatchForTesting();
  testing::internal::CaptureStderr();
  EXPECT_TRUE(XR_ASSERT(1 + 1 == 2));
  EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
}

// Functions that swallow what they catch, as every framework function does.
int SwallowingCall(int n) {
  XR_TRY
  if (n % 3 == 0) throw std::runtime_error("third");
  return n;
  XR_CATCH(-1)
}

TEST(SwallowedExceptionThreadTest, EveryCatchIsCountedOnceFromManyThreadsAtOnce) {
  constexpr int kThreads = 8, kCalls = 3000;  // a third of the calls throw
  const CExpectSwallowedExceptions expected;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([] {
      for (int n = 1; n <= kCalls; ++n) SwallowingCall(n);
    });
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(expected.Count(), static_cast<unsigned long>(kThreads * kCalls / 3));
  EXPECT_EQ(SwallowingCall(4), 4);
  EXPECT_EQ(SwallowingCall(6), -1) << "the fallback is returned";
}

TEST(TickCountTest, ConvertsSixtiethsToMilliseconds) {
  EXPECT_EQ(GetTickCountFromTicks(60), 1000u);
  EXPECT_EQ(GetTickCountFromTicks(3), 50u);
  EXPECT_EQ(GetTickCountFromTicks(1), 16u);
  EXPECT_EQ(GetTickCountFromTicks(2), 33u);
  // The product is formed in 64 bits: past 2^32 / 50 ticks the clock keeps
  // counting, and only the millisecond result wraps, at 2^32.
  const uint64_t oldWrap = ((uint64_t{1} << 32) / 50) + 1;
  EXPECT_EQ(GetTickCountFromTicks(oldWrap), static_cast<uint32_t>(oldWrap * 50 / 3));
  EXPECT_GT(GetTickCountFromTicks(oldWrap), GetTickCountFromTicks(oldWrap - 1));
  // 2^32 ms is 257698037.76 ticks: one tick before and after the wrap.
  const uint64_t lastBeforeWrap = 257698037;
  const unsigned int before = GetTickCountFromTicks(lastBeforeWrap);
  const unsigned int after = GetTickCountFromTicks(lastBeforeWrap + 1);
  EXPECT_GT(before, 0xFFFFFF00u);
  EXPECT_LT(after, 100u);
  EXPECT_EQ(MsElapsed(after, before), 17u) << "the difference stays a single tick across the wrap";
}

TEST(TickCountTest, WrapSafeComparisons) {
  EXPECT_EQ(MsElapsed(5u, 0xFFFFFFF0u), 21u);
  EXPECT_EQ(MsElapsed(600u, 100u), 500u);
  EXPECT_TRUE(MsReached(5u, 0xFFFFFFF0u)) << "a deadline just before the wrap is reached after it";
  EXPECT_FALSE(MsReached(0xFFFFFFF0u, 5u)) << "a deadline just after the wrap is still ahead";
  EXPECT_TRUE(MsReached(100u, 100u));
  EXPECT_FALSE(MsReached(99u, 100u));
}

unsigned int FixedClock() { return 123456u; }

TEST(TickCountTest, TestSourceAndOffsetReplaceThePlatformClock) {
  SetTickCountSourceForTesting(&FixedClock);
  g_TestAddGetTickCount = 10;
  EXPECT_EQ(GetTickCount(), 123466u);
  g_TestAddGetTickCount = 0;
  SetTickCountSourceForTesting(nullptr);
  const unsigned int a = GetTickCount();
  Sleep(40);
  const unsigned int b = GetTickCount();
  EXPECT_GE(b - a, 16u);
  EXPECT_LT(b - a, 5000u);
}

TEST(SourceBannerTest, AppendStopsAtFirstLineThatDoesNotFit) {
  // Two local registrations become the newest two entries of the list.
  static CRegisterSourceFile second("BBBB");
  static CRegisterSourceFile first("AAAA");
  char text[64] = "x";
  // "x" + "\tAAAA\r\n" (7) + terminator = 9 bytes; the next line needs 7 more.
  CRegisterSourceFile::AppendAllInfo(text, 12);
  EXPECT_STREQ(text, "x\tAAAA\r\n");
  CRegisterSourceFile::AppendAllInfo(text, 16);
  EXPECT_STREQ(text, "x\tAAAA\r\n\tAAAA\r\n");
}

TEST(SourceBannerTest, AppendStopsOnTextWithoutTerminatorOrLongBanner) {
  char unterminated[8];
  std::memset(unterminated, 'x', sizeof unterminated);
  CRegisterSourceFile::AppendAllInfo(unterminated, sizeof unterminated);
  for (char c : unterminated) EXPECT_EQ(c, 'x') << "nothing is appended to a text that is not terminated within size";

  // A banner far longer than any line buffer is appended whole when it fits
  // and not at all when it does not.
  static std::string longBanner(3000, 'L');
  static CRegisterSourceFile longOne(longBanner.c_str());
  std::string big(4000, '\0');
  CRegisterSourceFile::AppendAllInfo(&big[0], static_cast<int>(big.size()));
  EXPECT_EQ(std::string(big.c_str()).substr(0, 3003), "\t" + longBanner + "\r\n");
  char small[64] = "";
  CRegisterSourceFile::AppendAllInfo(small, sizeof small);
  EXPECT_STREQ(small, "");
}

TEST(XrTextTest, PromotesFloatsAndBools) {
  EXPECT_STREQ(XR_TEXT("%s %.2f %d", "a", 1.5f, true), "a 1.50 1");
  EXPECT_STREQ(XR_TEXT("%i,%i,%i,%i,%s", 1, 2, 3, 4, "e"), "1,2,3,4,e");
}

TEST(MemFillTest, ByteAndWordFillAndCopyStayWithinRange) {
  unsigned char bytes[40];
  std::memset(bytes, 0xEE, sizeof bytes);
  my_memset(bytes, 0x01020300, 6);  // not whole words: the low byte, byte by byte
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bytes[i], 0) << i;
  EXPECT_EQ(bytes[6], 0xEE);
  std::memset(bytes, 0xEE, sizeof bytes);
  my_memset(bytes + 1, 0x01020304, 32);  // word count, odd address
  EXPECT_EQ(bytes[0], 0xEE);
  EXPECT_EQ(bytes[33], 0xEE);
  uint32_t word;
  std::memcpy(&word, bytes + 29, 4);
  EXPECT_EQ(word, 0x01020304u);
  unsigned char copy[40];
  std::memset(copy, 0, sizeof copy);
  my_memcpy(copy + 3, bytes + 1, 36);
  EXPECT_EQ(std::memcmp(copy + 3, bytes + 1, 36), 0);
  EXPECT_EQ(copy[2], 0);
  EXPECT_EQ(copy[39], 0);
}

}  // namespace
