// Scenes and presentation: the back buffer scaled into the window with 4:3
// kept, vsync where the driver gives it, and pacing where it does not.
#include <algorithm>
#include <cmath>

#include "platform/gfx/device.h"
#include "platform/gfx/gl_check.h"

namespace gfx {

namespace {

// A swap that returns faster than this on average did not wait for the
// display (Xvfb, some compositors), so Present paces itself.
constexpr double kSwapWaitThresholdSeconds = 0.001;
// Refresh rate assumed when the display does not tell.
constexpr int kDefaultRefreshHz = 60;

double Seconds(const timespec& t) {
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

timespec Add(const timespec& t, double seconds) {
  double whole;
  double fraction = std::modf(seconds, &whole);
  timespec out = t;
  out.tv_sec += static_cast<time_t>(whole);
  out.tv_nsec += static_cast<long>(fraction * 1e9);
  while (out.tv_nsec >= 1000000000L) {
    out.tv_nsec -= 1000000000L;
    ++out.tv_sec;
  }
  return out;
}

}  // namespace

HRESULT Device::BeginScene() {
  if (inScene_) return D3DERR_INVALIDCALL;
  inScene_ = true;
  return S_OK;
}

HRESULT Device::EndScene() {
  if (!inScene_) return D3DERR_INVALIDCALL;
  inScene_ = false;
  return S_OK;
}

BOOL Device::ShowCursor(BOOL show) {
  // The cursor itself belongs to the window layer; the device keeps the
  // flag Direct3D reports.
  BOOL previous = cursorShown_;
  cursorShown_ = show ? TRUE : FALSE;
  return previous;
}

HRESULT Device::SetPresentSync(BOOL waitForDisplay) {
  presentSync_ = waitForDisplay != FALSE;
  swapIntervalAccepted_ =
      window_ ? window_->SetSwapInterval(presentSync_ ? 1 : 0) : false;
  // Assume waiting swaps until measured otherwise, so a working vsync is
  // never paced on top.
  swapSecondsAverage_ = 2.0 * kSwapWaitThresholdSeconds;
  havePresented_ = false;
  return S_OK;
}

HRESULT Device::SetPresentCopy(BOOL copyToWindow) {
  presentCopy_ = copyToWindow != FALSE;
  return S_OK;
}

HRESULT Device::Present(const RECT* /*sourceRect*/, const RECT* /*destRect*/,
                        HWND /*destWindow*/, const void* /*dirtyRegion*/) {
  if (!window_) return D3DERR_INVALIDCALL;
  if (!presentCopy_) return S_OK;
  int drawableWidth = 0, drawableHeight = 0;
  window_->GetDrawableSize(&drawableWidth, &drawableHeight);
  cache_.BindDrawFramebuffer(0);
  cache_.BindReadFramebuffer(backFramebuffer_);
  cache_.ScissorTest(false);
  cache_.ColorMask(0xF);
  if (drawableWidth > 0 && drawableHeight > 0) {
    cache_.Viewport(0, 0, drawableWidth, drawableHeight);
    // The largest 4:3 (back-buffer shaped) rectangle, centred: black bars
    // fill the rest.
    double scale = std::min(static_cast<double>(drawableWidth) / width_,
                            static_cast<double>(drawableHeight) / height_);
    int w = static_cast<int>(std::lround(width_ * scale));
    int h = static_cast<int>(std::lround(height_ * scale));
    int x = (drawableWidth - w) / 2;
    int y = (drawableHeight - h) / 2;
    // Only bars need clearing: a blit that covers the whole window writes
    // every pixel, and on a CPU renderer the clear is a full-window pass.
    if (w != drawableWidth || h != drawableHeight) {
      GL_CHECK(glClearColor(0.0f, 0.0f, 0.0f, 1.0f));
      GL_CHECK(glClear(GL_COLOR_BUFFER_BIT));
    }
    // Row 0 of the back buffer is the top of the picture; the window's
    // row 0 is its bottom, so the blit flips.
    GLenum filter =
        (w == static_cast<int>(width_) && h == static_cast<int>(height_))
            ? GL_NEAREST
            : GL_LINEAR;
    GL_CHECK(glBlitFramebuffer(0, 0, width_, height_, x, y + h, x + w, y,
                               GL_COLOR_BUFFER_BIT, filter));
  }
  targetDirty_ = true;
  dirty_ |= kDirtyRaster | kDirtyViewport;

  timespec before{}, after{};
  clock_gettime(CLOCK_MONOTONIC, &before);
  window_->SwapWindow();
  clock_gettime(CLOCK_MONOTONIC, &after);
  if (!presentSync_) return S_OK;

  double swapSeconds = Seconds(after) - Seconds(before);
  swapSecondsAverage_ = 0.9 * swapSecondsAverage_ + 0.1 * swapSeconds;
  bool swapWaits =
      swapIntervalAccepted_ && swapSecondsAverage_ > kSwapWaitThresholdSeconds;
  if (!swapWaits && havePresented_) {
    int hz = window_->GetRefreshRate();
    double period = 1.0 / (hz > 0 ? hz : kDefaultRefreshHz);
    // Deadlines follow each other a period apart, so a frame that ends a
    // little late is made up by the next; one more than a period late
    // starts a new chain.
    timespec deadline = Add(lastPresent_, period);
    double lateness = Seconds(after) - Seconds(deadline);
    if (lateness < 0.0) {
      while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &deadline,
                             nullptr) != 0) {
      }
      lastPresent_ = deadline;
    } else {
      lastPresent_ = lateness < period ? deadline : after;
    }
  } else {
    lastPresent_ = after;
  }
  havePresented_ = true;
  return S_OK;
}

}  // namespace gfx
