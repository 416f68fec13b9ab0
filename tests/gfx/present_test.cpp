// Present: the back buffer scaled into the window's drawable with 4:3 kept,
// black bars around it, top of the picture at the top of the window.
#include <SDL.h>
#include <epoxy/gl.h>

#include "platform/gfx/device.h"
#include "test_scene.h"

namespace {

// A window whose drawable size the test chooses (smaller than the real
// surface, so the whole presented picture can be read back).
class FakeSizeWindow final : public PresentWindow {
 public:
  FakeSizeWindow(SDL_Window* window, int width, int height)
      : window_(window), width_(width), height_(height) {}
  void GetDrawableSize(int* width, int* height) override {
    *width = width_;
    *height = height_;
  }
  void SwapWindow() override { ++swaps; }  // keep the picture readable
  bool SetSwapInterval(int interval) override {
    lastInterval = interval;
    return true;
  }
  int GetRefreshRate() override { return 0; }

  int swaps = 0;
  int lastInterval = -1;

 private:
  SDL_Window* window_;
  int width_, height_;
};

class PresentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 3);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK,
                        SDL_GL_CONTEXT_PROFILE_CORE);
    window_ = SDL_CreateWindow("present", 0, 0, 800, 600,
                               SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_NE(window_, nullptr) << SDL_GetError();
    context_ = SDL_GL_CreateContext(window_);
    ASSERT_NE(context_, nullptr) << SDL_GetError();
    d3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    ASSERT_NE(d3d_, nullptr);
  }
  void TearDown() override {
    if (device_) device_->Release();
    if (d3d_) d3d_->Release();
    if (context_) SDL_GL_DeleteContext(context_);
    if (window_) SDL_DestroyWindow(window_);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }
  void Create(FakeSizeWindow* window, UINT interval) {
    D3DPRESENT_PARAMETERS params{};
    params.BackBufferWidth = 800;
    params.BackBufferHeight = 600;
    params.BackBufferFormat = D3DFMT_A8R8G8B8;
    params.BackBufferCount = 1;
    params.SwapEffect = D3DSWAPEFFECT_DISCARD;
    params.Windowed = TRUE;
    params.EnableAutoDepthStencil = TRUE;
    params.AutoDepthStencilFormat = D3DFMT_D16;
    params.PresentationInterval = interval;
    ASSERT_EQ(d3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window,
                                 D3DCREATE_SOFTWARE_VERTEXPROCESSING, &params,
                                 &device_),
              S_OK);
  }
  // Window pixel (x, y) counted from the top of the drawable.
  uint32_t WindowPixel(int x, int y, int drawableHeight) {
    uint32_t pixel = 0;
    glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
    glReadPixels(x, drawableHeight - 1 - y, 1, 1, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, &pixel);
    static_cast<gfx::Device*>(device_)->InvalidateGlState();
    return pixel | 0xFF000000u;
  }

  SDL_Window* window_ = nullptr;
  SDL_GLContext context_ = nullptr;
  IDirect3D9* d3d_ = nullptr;
  IDirect3DDevice9* device_ = nullptr;
};

TEST_F(PresentTest, WideWindowGetsBarsLeftAndRight) {
  FakeSizeWindow window(window_, 800, 400);
  Create(&window, D3DPRESENT_INTERVAL_DEFAULT);
  EXPECT_EQ(window.lastInterval, 1);  // vsync asked for
  device_->SetPresentSync(FALSE);
  EXPECT_EQ(window.lastInterval, 0);
  // Top half of the picture red, bottom half green.
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF00FF00, 1.0f, 0);
  RECT top{0, 0, 800, 300};
  device_->Clear(1, &top, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(window.swaps, 1);
  // 800 x 600 into 800 x 400 keeps 4:3: 533 x 400 centred, x from 133.
  EXPECT_EQ(WindowPixel(60, 200, 400), 0xFF000000u);   // left bar
  EXPECT_EQ(WindowPixel(740, 200, 400), 0xFF000000u);  // right bar
  EXPECT_EQ(WindowPixel(400, 20, 400), 0xFFFF0000u);   // top is top
  EXPECT_EQ(WindowPixel(400, 380, 400), 0xFF00FF00u);
}

TEST_F(PresentTest, TallWindowGetsBarsAboveAndBelow) {
  FakeSizeWindow window(window_, 400, 500);
  Create(&window, D3DPRESENT_INTERVAL_IMMEDIATE);
  EXPECT_EQ(window.lastInterval, 0);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  // 400 x 300 centred vertically: rows 100..399.
  EXPECT_EQ(WindowPixel(200, 50, 500), 0xFF000000u);
  EXPECT_EQ(WindowPixel(200, 450, 500), 0xFF000000u);
  EXPECT_EQ(WindowPixel(200, 250, 500), 0xFF0000FFu);
}

TEST_F(PresentTest, WithoutTheCopyPresentLeavesTheWindowAlone) {
  FakeSizeWindow window(window_, 800, 600);
  Create(&window, D3DPRESENT_INTERVAL_IMMEDIATE);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(window.swaps, 1);
  EXPECT_EQ(WindowPixel(400, 300, 600), 0xFF0000FFu);
  // Offline rendering reads the back buffer itself and turns the copy off:
  // the window keeps the blue picture, nothing is swapped, and the back
  // buffer keeps the new frame for the read-back.
  ASSERT_EQ(device_->SetPresentCopy(FALSE), S_OK);
  device_->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFFFF0000, 1.0f, 0);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(window.swaps, 1);
  EXPECT_EQ(WindowPixel(400, 300, 600), 0xFF0000FFu);
  std::vector<uint32_t> pixels;
  ASSERT_EQ(device_->ReadBackBuffer(&pixels), S_OK);
  EXPECT_EQ(pixels[300 * 800 + 400], 0xFFFF0000u);
  // And back on.
  device_->SetPresentCopy(TRUE);
  ASSERT_EQ(device_->Present(nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(window.swaps, 2);
  EXPECT_EQ(WindowPixel(400, 300, 600), 0xFFFF0000u);
}

}  // namespace
