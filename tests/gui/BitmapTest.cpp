// Bitmaps: the images linked in by the artwork program, decoded once per
// process on their first drawing, the development folder, drawing with
// offsets, clips and global alpha.
#include <gtest/gtest.h>

#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "GuiTestSupport.h"
#include "gui/BitmapResources.h"
#include "gui/CBitmap.h"

namespace {

constexpr uint32_t kOffWord = 0xFF404040u;  // the test button's off state
constexpr uint32_t kOnWord = 0xFF00C800u;   // and its on state

// A folder of its own under the system's temporary folder.
class TempFolder {
 public:
  TempFolder() {
    char pattern[] = "/tmp/qvx-bitmaps-XXXXXX";
    m_Path = mkdtemp(pattern);
  }
  ~TempFolder() {
    for (const std::string& file : m_Files) unlink(file.c_str());
    rmdir(m_Path.c_str());
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  // Writes a width x height PNG of one opaque colour.
  std::string WritePng(const std::string& name, int width, int height, const CColor& colour) {
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, colour.red / 255.0, colour.green / 255.0, colour.blue / 255.0);
    cairo_paint(cr);
    cairo_destroy(cr);
    const std::string path = m_Path + "/" + name;
    cairo_surface_write_to_png(surface, path.c_str());
    cairo_surface_destroy(surface);
    m_Files.push_back(path);
    return path;
  }
  const std::string& path() const { return m_Path; }

 private:
  std::string m_Path;
  std::vector<std::string> m_Files;
};

TEST(BitmapTest, LinkedImagesAreFoundById) {
  const CEmbeddedBitmap* resource = FindBitmapResource(99901);
  ASSERT_NE(resource, nullptr);
  ASSERT_GT(resource->size, 8u);
  EXPECT_EQ(resource->data[1], 'P');
  EXPECT_EQ(FindBitmapResource(99999), nullptr);

  CBitmap* bitmap = new CBitmap(99901);
  EXPECT_TRUE(bitmap->isLoaded());
  EXPECT_TRUE(bitmap->hasAlpha());
  EXPECT_EQ(bitmap->getResourceId(), 99901);
  EXPECT_EQ(bitmap->getWidth(), 24);
  EXPECT_EQ(bitmap->getHeight(), 32);
  bitmap->forget();
}

TEST(BitmapTest, MissingImageLeavesAnEmptyBitmapThatDrawsNothing) {
  CBitmap* bitmap = new CBitmap(99998);
  EXPECT_FALSE(bitmap->isLoaded());
  EXPECT_EQ(bitmap->getWidth(), 0);
  EXPECT_EQ(bitmap->getHeight(), 0);
  TestSurface target(10, 10);
  CRect r(0, 0, 10, 10);
  bitmap->draw(target.context(), r);
  EXPECT_EQ(target.count(0, 0, 10, 10, kWhiteWord), 100);
  bitmap->forget();
}

TEST(BitmapTest, OffsetSelectsTheImageOfAStrip) {
  CBitmap* bitmap = new CBitmap(99901);
  TestSurface target(60, 20);
  CRect off(0, 0, 24, 16);
  CRect on(30, 0, 54, 16);
  bitmap->draw(target.context(), off, CPoint(0, 0));
  bitmap->draw(target.context(), on, CPoint(0, 16));
  EXPECT_EQ(target.pixel(0, 0), kWhiteWord) << "the PNG's own alpha is kept";
  EXPECT_EQ(target.pixel(5, 5), kOffWord);
  EXPECT_EQ(target.pixel(35, 5), kOnWord);
  EXPECT_EQ(target.count(1, 1, 23, 15, kOffWord), 22 * 14);
  EXPECT_EQ(target.count(31, 1, 53, 15, kOnWord), 22 * 14);
  EXPECT_EQ(target.count(0, 16, 60, 20, kWhiteWord), 60 * 4) << "limited to the rectangle";

  // A film strip: the pointer turns a quarter per step (up, then right).
  CBitmap* strip = new CBitmap(99902);
  ASSERT_EQ(strip->getHeight() / strip->getWidth(), 4);
  TestSurface knob(50, 20);
  CRect first(0, 0, 20, 20);
  CRect second(25, 0, 45, 20);
  strip->draw(knob.context(), first, CPoint(0, 0));
  strip->draw(knob.context(), second, CPoint(0, 20));
  EXPECT_EQ(knob.pixel(10, 5), kBlackWord);
  EXPECT_EQ(knob.pixel(15, 10), kWhiteWord);
  EXPECT_EQ(knob.pixel(35, 5), kWhiteWord);
  EXPECT_EQ(knob.pixel(40, 10), kBlackWord);
  strip->forget();
  bitmap->forget();
}

TEST(BitmapTest, DrawingFollowsTheContextsOffsetAndClip) {
  CBitmap* bitmap = new CBitmap(99901);
  TestSurface target(60, 40);
  target.context()->setOffset(CPoint(10, 5));
  target.context()->setClipRect(CRect(0, 0, 8, 8));
  CRect r(0, 0, 24, 16);
  bitmap->draw(target.context(), r);
  EXPECT_EQ(target.count(0, 0, 60, 40, kOffWord), 7 * 7);
  EXPECT_EQ(target.count(11, 6, 18, 13, kOffWord), 7 * 7);
  bitmap->forget();
}

TEST(BitmapTest, AlphaBlendDrawsAtPartialOpacity) {
  CBitmap* bitmap = new CBitmap(99901);
  TestSurface target(30, 20);
  CRect r(0, 0, 24, 16);
  bitmap->drawAlphaBlend(target.context(), r, CPoint(0, 0), 128);
  const uint32_t p = target.pixel(5, 5);
  const long red = (p >> 16) & 0xFF;
  EXPECT_NEAR(red, (64 * 128 + 255 * 127) / 255, 2);
  EXPECT_EQ(p >> 24, 0xFFu);
  bitmap->drawTransparent(target.context(), r, CPoint(0, 0));
  EXPECT_EQ(target.pixel(5, 5), kOffWord) << "an image with alpha ignores the colour key";
  bitmap->forget();
}

TEST(BitmapTest, DevelopmentFolderProvidesImagesNotLinkedIn) {
  TempFolder folder;
  folder.WritePng("bmp12345.png", 7, 3, kRedCColor);
  folder.WritePng("bmp00042.bmp", 7, 3, kRedCColor);
  setenv("QVX_BITMAP_FOLDER", folder.path().c_str(), 1);
  CBitmap* found = new CBitmap(12345);
  CBitmap* unknownType = new CBitmap(42);
  unsetenv("QVX_BITMAP_FOLDER");
  EXPECT_TRUE(found->isLoaded());
  EXPECT_EQ(found->getWidth(), 7);
  EXPECT_EQ(found->getHeight(), 3);
  TestSurface target(10, 5);
  CRect r(0, 0, 10, 5);
  found->draw(target.context(), r);
  EXPECT_EQ(target.count(0, 0, 10, 5, kRedWord), 21);
  EXPECT_FALSE(unknownType->isLoaded()) << "only PNG files are read";
  found->forget();
  unknownType->forget();

  CBitmap* direct = new CBitmap();
  const std::string png = folder.path() + "/bmp12345.png";
  EXPECT_TRUE(direct->loadFromPath(png.c_str()));
  EXPECT_FALSE(direct->loadFromPath((folder.path() + "/nothing.png").c_str()));
  EXPECT_FALSE(direct->isLoaded()) << "a failed load leaves the bitmap empty";
  EXPECT_FALSE(direct->loadFromPath(nullptr));
  direct->forget();
}

// PNG bytes of a width x height image, red above its middle row and blue
// from there, for tables that outlive the test (registrations are kept).
const std::vector<unsigned char>& TwoColourPng(int width, int height) {
  static std::vector<unsigned char>* png = [width, height] {
    auto* bytes = new std::vector<unsigned char>;
    cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
    cairo_t* cr = cairo_create(surface);
    cairo_set_source_rgb(cr, 1, 0, 0);
    cairo_paint(cr);
    cairo_set_source_rgb(cr, 0, 0, 1);
    cairo_rectangle(cr, 0, height / 2, width, height - height / 2);
    cairo_fill(cr);
    cairo_destroy(cr);
    cairo_surface_write_to_png_stream(
        surface,
        [](void* out, const unsigned char* data, unsigned int length) {
          static_cast<std::vector<unsigned char>*>(out)->insert(static_cast<std::vector<unsigned char>*>(out)->end(),
                                                                data, data + length);
          return CAIRO_STATUS_SUCCESS;
        },
        bytes);
    cairo_surface_destroy(surface);
    return bytes;
  }();
  return *png;
}

TEST(BitmapTest, LinkedImageDrawnOnTwoThreadsAtOnceIsDecodedOnceForAllItsBitmaps) {
  constexpr int kWidth = 480, kHeight = 320;
  const std::vector<unsigned char>& png = TwoColourPng(kWidth, kHeight);
  static const CEmbeddedBitmap kTable[] = {{99960, png.data(), png.size()}};
  RegisterBitmapResources(kTable, 1);
  const long before = DecodedBitmapResourceCount();

  // Made as editors make them: each knows its size, none has decoded.
  constexpr int kPerThread = 3;
  CBitmap* bitmaps[2][kPerThread];
  for (auto& row : bitmaps)
    for (CBitmap*& bitmap : row) {
      bitmap = new CBitmap(99960);
      EXPECT_TRUE(bitmap->isLoaded());
      EXPECT_EQ(bitmap->getWidth(), kWidth);
      EXPECT_EQ(bitmap->getHeight(), kHeight);
    }
  EXPECT_EQ(DecodedBitmapResourceCount(), before) << "making bitmaps decodes nothing";

  // Two editors' threads draw their own bitmaps of the image at the same time.
  std::atomic<int> ready{0};
  long reds[2] = {}, blues[2] = {};
  std::vector<std::thread> threads;
  for (int t = 0; t < 2; ++t)
    threads.emplace_back([&, t] {
      TestSurface target(kWidth, kHeight);
      ready.fetch_add(1);
      while (ready.load() < 2) std::this_thread::yield();
      for (CBitmap* bitmap : bitmaps[t]) {
        CRect r(0, 0, kWidth, kHeight);
        bitmap->draw(target.context(), r);
        reds[t] += target.count(0, 0, kWidth, kHeight / 2, kRedWord);
        blues[t] += target.count(0, kHeight / 2, kWidth, kHeight, kBlueWord);
      }
    });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(DecodedBitmapResourceCount(), before + 1) << "one decode for every bitmap on every thread";
  for (int t = 0; t < 2; ++t) {
    EXPECT_EQ(reds[t], long{kPerThread} * kWidth * (kHeight / 2)) << "thread " << t;
    EXPECT_EQ(blues[t], long{kPerThread} * kWidth * (kHeight - kHeight / 2)) << "thread " << t;
  }

  // A bitmap made later, and a second drawing, take the decoded pixels.
  CBitmap* later = new CBitmap(99960);
  TestSurface target(kWidth, kHeight);
  CRect r(0, 0, kWidth, kHeight);
  later->draw(target.context(), r);
  bitmaps[0][0]->draw(target.context(), r);
  EXPECT_EQ(target.count(0, 0, kWidth, kHeight / 2, kRedWord), kWidth * (kHeight / 2));
  EXPECT_EQ(DecodedBitmapResourceCount(), before + 1);
  later->forget();
  for (auto& row : bitmaps)
    for (CBitmap* bitmap : row) bitmap->forget();
}

TEST(BitmapTest, CorruptLinkedBytesLoadNothing) {
  static const unsigned char kNotPng[] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
  static const unsigned char kTruncated[] = {137, 80, 78, 71, 13, 10, 26, 10, 0, 0};
  static const CEmbeddedBitmap kTable[] = {{99950, kNotPng, sizeof(kNotPng)},
                                           {99951, kTruncated, sizeof(kTruncated)}};
  RegisterBitmapResources(kTable, 2);
  CBitmap* garbage = new CBitmap(99950);
  CBitmap* truncated = new CBitmap(99951);
  EXPECT_FALSE(garbage->isLoaded());
  EXPECT_FALSE(truncated->isLoaded());
  garbage->forget();
  truncated->forget();

  // A whole header before bytes that do not decode: the size is known, the
  // drawing draws nothing, and the failed decode is not tried again.
  static std::vector<unsigned char> headerOnly(TwoColourPng(480, 320).begin(), TwoColourPng(480, 320).begin() + 40);
  static const CEmbeddedBitmap kHeaderOnly[] = {{99952, headerOnly.data(), headerOnly.size()}};
  RegisterBitmapResources(kHeaderOnly, 1);
  const long before = DecodedBitmapResourceCount();
  CBitmap* cut = new CBitmap(99952);
  EXPECT_EQ(cut->getWidth(), 480);
  TestSurface target(10, 10);
  CRect r(0, 0, 10, 10);
  cut->draw(target.context(), r);
  EXPECT_EQ(target.count(0, 0, 10, 10, kWhiteWord), 100);
  EXPECT_FALSE(cut->isLoaded());
  CBitmap* again = new CBitmap(99952);
  again->draw(target.context(), r);
  EXPECT_EQ(DecodedBitmapResourceCount(), before + 1);
  again->forget();
  cut->forget();
}

}  // namespace
