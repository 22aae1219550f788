#include "product_editor/EditorSupport.h"

#include <cairo.h>

#include "Helpers/Assert.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <random>

#include "gui/CFrame.h"

namespace edtest2 {

namespace {
std::atomic<unsigned int> g_Now{0};
unsigned int TestClock() { return g_Now.load(); }
}  // namespace

void EditorFixture::SetUp() {
  fxtest::HostLog::Get().Reset();
  // A test may hand over to the machine's clock after its settling idles.
  g_Now = fxtest::FakeClockStart();
  SetTickCountSourceForTesting(TestClock);
  g_kIdleRate = 10;
  m_pEffect = std::make_unique<EditorQvx2>();
  m_pEffect->setSampleRate(kRate);
  m_pEffect->FinishUpdate();
  // The effect made its editor; the probe takes its place.
  ASSERT_NE(dynamic_cast<QVX2Editor*>(m_pEffect->getEditor()), nullptr);
  delete m_pEffect->getEditor();
  m_pEditor = new EditorProbe(m_pEffect.get());
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  m_pWindow = LastHeadlessWindow();
  ASSERT_NE(m_pWindow, nullptr);
  Expose();
}

void EditorFixture::Expose() {
  PlatformEvent event = frametest::MakeEvent(EPlatformEvent::kExpose);
  event.rect = {0, 0, m_pWindow->Width(), m_pWindow->Height()};
  m_pWindow->Queue(event);
  Idle();
}

void EditorFixture::TearDown() {
  fxtest::HostLog::Get().m_OnIdle = nullptr;
  // A resume through the dispatcher starts the effect's idle worker; a host's
  // close would stop it before the effect goes.
  if (m_pEffect) m_pEffect->StopIdleWorker();
  if (m_pEditor) m_pEditor->close();
  m_pEffect.reset();
  SetTickCountSourceForTesting(nullptr);
}

void EditorFixture::Idle(unsigned int ms) {
  g_Now += ms;
  m_pEditor->idle();
}

void EditorFixture::Settle() {
  for (int i = 0; i < 4; ++i) Idle(110);
}

void EditorFixture::Reopen() {
  m_pEditor->close();
  ASSERT_TRUE(m_pEditor->open(frametest::HostWindow()));
  m_pWindow = LastHeadlessWindow();
  Expose();
  Settle();
}

std::vector<CControl*> EditorFixture::Controls() const {
  std::vector<CControl*> controls;
  CFrame* frame = m_pEditor->Frame();
  for (long i = 0; frame && i < frame->getNbViews(); ++i)
    if (auto* control = dynamic_cast<CControl*>(frame->getView(i))) controls.push_back(control);
  return controls;
}

uint32_t EditorFixture::Pixel(int x, int y) const { return m_pWindow->PixelAt(x, y) & 0xFFFFFFu; }

void EditorFixture::Screenshot(const std::string& name) const {
  const char* folder = std::getenv("QVX_SCREENSHOT_DIR");
  if (!folder || !*folder) return;
  const int w = m_pWindow->Width(), h = m_pWindow->Height();
  cairo_surface_t* image = cairo_image_surface_create(CAIRO_FORMAT_RGB24, w, h);
  auto* data = reinterpret_cast<uint32_t*>(cairo_image_surface_get_data(image));
  const int stride = cairo_image_surface_get_stride(image) / 4;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) data[y * stride + x] = m_pWindow->PixelAt(x, y);
  cairo_surface_mark_dirty(image);
  cairo_surface_write_to_png(image, (std::string(folder) + "/" + name + ".png").c_str());
  cairo_surface_destroy(image);
}

int EditorFixture::HostCallsOf(VstInt32 opcode, int index) {
  int n = 0;
  for (const fxtest::HostCall& call : fxtest::HostLog::Get().CallsOf(opcode))
    if (call.nIndex == index) ++n;
  return n;
}

void EditControl(EditorProbe& editor, CControl* control, const std::vector<float>& values) {
  control->beginEdit();
  for (float v : values) {
    control->setValue(v);
    control->setDirty(true);
    editor.valueChanged(nullptr, control);
  }
  control->endEdit();
}

NoisePlayer::NoisePlayer(AEffect* effect)
    : m_Thread([this, effect] {
        constexpr int kBlock = 512;
        std::vector<float> buffers[4];
        for (auto& b : buffers) b.resize(kBlock);
        float* in[2] = {buffers[0].data(), buffers[1].data()};
        float* out[2] = {buffers[2].data(), buffers[3].data()};
        std::minstd_rand random(7);
        std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
        auto due = std::chrono::steady_clock::now();
        for (int block = 0; !m_bStop.load(); ++block) {
          const float level = 0.003f + 0.04f * std::fabs(std::sin(0.4f * static_cast<float>(block)));
          for (int c = 0; c < 2; ++c)
            for (float& v : buffers[c]) v = level * noise(random);
          effect->processReplacing(effect, in, out, kBlock);
          due += std::chrono::microseconds(kBlock * 1000000 / 48000);
          std::this_thread::sleep_until(due);
        }
      }) {}

void NoisePlayer::Stop() {
  m_bStop = true;
  if (m_Thread.joinable()) m_Thread.join();
}

std::map<int, std::string> EditorFixture::HostEditMarks(std::string* order) {
  std::map<int, std::string> marks;
  for (const fxtest::HostCall& c : fxtest::HostLog::Get().Calls()) {
    const char mark = c.nOpcode == audioMasterBeginEdit ? '(' : c.nOpcode == audioMasterEndEdit ? ')'
                      : c.nOpcode == audioMasterAutomate ? 'a' : 0;
    if (!mark) continue;
    marks[c.nIndex] += mark;
    if (order) *order += mark;
  }
  return marks;
}

}  // namespace edtest2
