// The editor's images wait for an editor: effects created, started, played
// and idled as a host that loads a session does decode none; the first
// editor to draw decodes them, and draws its panel from them; editors of
// other instances, and the first one opened again, on other threads, decode
// nothing more. Counted in a fresh process (the decoded images are the
// process's), with the front panel's pixels checked against a decode of its
// PNG made here.
#include <cairo.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <thread>
#include <vector>

#include "gui/BitmapResources.h"
#include "product_editor/EditorSupport.h"
#include "vst/VstTestSupport.h"

namespace {

constexpr long kFrontBitmapId = 161;
constexpr int kBlock = 512;

// The front panel's image decoded apart from the plug-in's own decoding.
struct CReferenceFront {
  CReferenceFront() {
    const CEmbeddedBitmap* png = FindBitmapResource(kFrontBitmapId);
    if (!png) return;
    struct Reader {
      const unsigned char* data;
      size_t size, at;
    } reader{png->data, png->size, 0};
    image = cairo_image_surface_create_from_png_stream(
        [](void* closure, unsigned char* out, unsigned int length) {
          auto* r = static_cast<Reader*>(closure);
          if (length > r->size - r->at) return CAIRO_STATUS_READ_ERROR;
          std::memcpy(out, r->data + r->at, length);
          r->at += length;
          return CAIRO_STATUS_SUCCESS;
        },
        &reader);
  }
  ~CReferenceFront() {
    if (image) cairo_surface_destroy(image);
  }
  uint32_t Pixel(int x, int y) const {
    const unsigned char* row = cairo_image_surface_get_data(image) + y * cairo_image_surface_get_stride(image);
    return reinterpret_cast<const uint32_t*>(row)[x] & 0xFFFFFFu;
  }
  cairo_surface_t* image = nullptr;
};

VstIntPtr Call(AQVX2& fx, VstInt32 opcode, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f) {
  AEffect* e = fx.getAeffect();
  return e->dispatcher(e, opcode, 0, value, ptr, opt);
}

// As a host starts an effect of a session: open, rate, block size, resume,
// then a few blocks of noise and idle calls.
void StartAndPlay(edtest2::EditorQvx2& fx) {
  Call(fx, effOpen);
  Call(fx, effSetSampleRate, 0, nullptr, edtest2::kRate);
  Call(fx, effSetBlockSize, kBlock);
  Call(fx, effMainsChanged, 1);
  std::vector<float> buffers[4];
  for (auto& b : buffers) b.assign(kBlock, 0.0f);
  for (int i = 0; i < kBlock; ++i)
    buffers[0][size_t(i)] = buffers[1][size_t(i)] = 0.1f * float((i * 7919) % 200 - 100) / 100.0f;
  float* in[2] = {buffers[0].data(), buffers[1].data()};
  float* out[2] = {buffers[2].data(), buffers[3].data()};
  for (int block = 0; block < 20; ++block) {
    fx.getAeffect()->processReplacing(fx.getAeffect(), in, out, kBlock);
    if (block % 5 == 0) Call(fx, effIdle);
  }
}

// Opens the effect's editor on the calling thread, lets it draw its whole
// window and closes it; the share of the window's pixels that show the
// front panel's image, or -1 when the editor did not open or draw.
double OpenDrawAndClose(edtest2::EditorQvx2& fx, const CReferenceFront& front) {
  if (Call(fx, effEditOpen, 0, frametest::HostWindow()) != 1) return -1.0;
  auto* editor = dynamic_cast<AEffGUIEditor*>(fx.getEditor());
  CHeadlessWindow* window =
      editor && editor->getFrame() ? dynamic_cast<CHeadlessWindow*>(editor->getFrame()->getPlatformWindow()) : nullptr;
  double share = -1.0;
  if (window) {
    PlatformEvent expose = frametest::MakeEvent(EPlatformEvent::kExpose);
    expose.rect = {0, 0, window->Width(), window->Height()};
    window->Queue(expose);
    for (int i = 0; i < 3; ++i) Call(fx, effEditIdle);
    long same = 0;
    for (int y = 0; y < window->Height(); ++y)
      for (int x = 0; x < window->Width(); ++x)
        if ((window->PixelAt(x, y) & 0xFFFFFFu) == front.Pixel(x, y)) ++same;
    if (window->PresentCount() > 0) share = double(same) / (double(window->Width()) * window->Height());
  }
  Call(fx, effEditClose);
  return share;
}

// Exits with a bit mask of the failed checks.
[[noreturn]] void ImagesWaitForAnEditorChild() {
  int failures = 0;
  {
    const frametest::HeadlessScope headless(false, false);
    const CReferenceFront front;
    if (!front.image || cairo_image_surface_get_width(front.image) != 600) std::exit(128);
    auto a = std::make_unique<edtest2::EditorQvx2>();
    auto b = std::make_unique<edtest2::EditorQvx2>();
    StartAndPlay(*a);
    StartAndPlay(*b);
    if (DecodedBitmapResourceCount() != 0) failures |= 1;

    // The first editor, on a thread of its own as a host's user-interface
    // thread would be: it decodes, and its panel shows the image.
    double first = 0.0;
    std::thread([&] { first = OpenDrawAndClose(*a, front); }).join();
    const long decoded = DecodedBitmapResourceCount();
    if (decoded == 0) failures |= 2;
    if (first < 0.25) failures |= 4;

    // The other instance's editor, and the first one's again, each on a
    // thread of its own (as in a host with a thread per editor window):
    // nothing more. (Two editors drawing at the same time are the bitmap
    // tests' case.)
    double shares[2] = {0.0, 0.0};
    std::thread([&] { shares[0] = OpenDrawAndClose(*b, front); }).join();
    std::thread([&] { shares[1] = OpenDrawAndClose(*a, front); }).join();
    if (DecodedBitmapResourceCount() != decoded) failures |= 8;
    for (double share : shares)
      if (share < 0.25 || share > first + 0.05 || share < first - 0.05) failures |= 16;
    for (auto* fx : {a.get(), b.get()}) fx->StopIdleWorker();
  }
  std::exit(failures);
}

}  // namespace

TEST(QVX2_SUITE(LazyImagesThreadTest),
     EffectsDecodeNoImageUntilAnEditorDrawsAndLaterEditorsOnOtherThreadsDecodeNoMore) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(ImagesWaitForAnEditorChild(), testing::ExitedWithCode(0), "");
}
