#include <gtest/gtest.h>

#include <cstring>
#include <string>

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

TEST(TickCountTest, ConvertsSixtiethsToMilliseconds) {
  EXPECT_EQ(GetTickCountFromTicks(60), 1000u);
  EXPECT_EQ(GetTickCountFromTicks(3), 50u);
  EXPECT_EQ(GetTickCountFromTicks(1), 16u);
  EXPECT_EQ(GetTickCountFromTicks(2), 33u);
  // The multiplication by 50 wraps modulo 2^32.
  const uint32_t wrapAt = static_cast<uint32_t>((uint64_t{1} << 32) / 50) + 1;
  EXPECT_LT(GetTickCountFromTicks(wrapAt), 100u);
  EXPECT_GT(GetTickCountFromTicks(wrapAt - 1), 1000000000u);
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

TEST(SourceBannerTest, AssertRegistersItsBanner) {
  bool found = false;
  for (const CRegisterSourceFile* p = CRegisterSourceFile::First(); p; p = p->Next())
    if (std::strncmp(p->Banner(), "Helpers/Assert:\t\tcompiled ", 26) == 0) found = true;
  EXPECT_TRUE(found);
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

TEST(XrTextTest, PromotesFloatsAndBools) {
  EXPECT_STREQ(XR_TEXT("%s %.2f %d", "a", 1.5f, true), "a 1.50 1");
  EXPECT_STREQ(XR_TEXT("%i,%i,%i,%i,%s", 1, 2, 3, 4, "e"), "1,2,3,4,e");
}

TEST(MemFillTest, WordFillAndByteFill) {
  unsigned char bytes[48];
  std::memset(bytes, 0xAB, sizeof bytes);
  my_memset(bytes, 0, 6);
  for (int i = 0; i < 6; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_EQ(bytes[6], 0xAB);

  uint32_t words[12];
  std::memset(words, 0xAB, sizeof words);
  my_memset(words, 0x01020304, 40);
  for (int i = 0; i < 10; ++i) EXPECT_EQ(words[i], 0x01020304u) << i;
  EXPECT_EQ(words[10], 0xABABABABu);
}

TEST(MemFillTest, CopyWordsAndBytes) {
  uint32_t src[11], dst[11] = {};
  for (int i = 0; i < 11; ++i) src[i] = 0x1000u + static_cast<uint32_t>(i);
  my_memcpy(dst, src, 44);
  for (int i = 0; i < 11; ++i) EXPECT_EQ(dst[i], src[i]);
  char a[7] = "abcdef", b[7] = {};
  my_memcpy(b, a, 7);
  EXPECT_STREQ(b, "abcdef");
}

}  // namespace
