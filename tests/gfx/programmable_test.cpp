// The programmable path: caller GLSL with the device's position fix-up,
// uniforms (plain and in blocks), samplers, and state blocks.
#include "test_scene.h"

namespace {

const char* kVertex = R"(#version 330 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;
uniform mat4 transform;
out vec2 vUv;
void main()
{
  gl_Position = transform * vec4(position, 1.0);
  vUv = uv;
}
)";

const char* kPixel = R"(#version 330 core
in vec2 vUv;
uniform sampler2D image;
layout(std140) uniform Params { vec4 tint; };
out vec4 color;
void main() { color = texture(image, vUv) * tint; }
)";

class ProgrammableTest : public DeviceTest {
 protected:
  IDirect3DShaderProgram9* Build() {
    ShaderProgramDesc desc;
    desc.vertexSource = kVertex;
    desc.pixelSource = kPixel;
    desc.attributes = {{0, D3DDECLUSAGE_POSITION, 0},
                       {1, D3DDECLUSAGE_TEXCOORD, 0}};
    desc.samplers = {{"image", 0}};
    IDirect3DShaderProgram9* program = nullptr;
    std::string log;
    EXPECT_EQ(device()->CreateShaderProgram(desc, &program, &log), S_OK) << log;
    return program;
  }
};

TEST_F(ProgrammableTest, ProgramRendersWithDirect3DConventions) {
  PlainStates();
  IDirect3DShaderProgram9* program = Build();
  ASSERT_NE(program, nullptr);
  IDirect3DTexture9* texture = MakeTexture(4, 4, [](UINT x, UINT y) {
    return 0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8;
  });
  // Pixel coordinates to Direct3D clip space, shifted by half a pixel so
  // that texel centres land on pixel centres (row vectors, stored as
  // D3DMATRIX).
  D3DMATRIX transform = Identity();
  transform._11 = 1.0f / 400.0f;
  transform._22 = -1.0f / 300.0f;
  transform._41 = -1.0f - 0.5f / 400.0f;
  transform._42 = 1.0f + 0.5f / 300.0f;
  EXPECT_EQ(program->SetUniformFloats("transform", &transform._11, 16), S_OK);
  const float tint[4] = {1.0f, 1.0f, 1.0f, 1.0f};
  EXPECT_EQ(program->SetUniformFloats("Params.tint", tint, 4), S_OK);
  EXPECT_EQ(program->SetUniformFloats("missing", tint, 4), D3DERR_INVALIDCALL);
  EXPECT_EQ(program->SetUniformFloats("transform", tint, 4),
            D3DERR_INVALIDCALL);  // a matrix takes 16 floats
  device()->SetTexture(0, texture);
  device()->SetShaderProgram(program);
  device()->SetFVF(D3DFVF_XYZ | D3DFVF_TEX1);
  TexVertex quad[6] = {{10, 20, 0.5f, 0, 0}, {14, 20, 0.5f, 1, 0},
                       {10, 24, 0.5f, 0, 1}, {14, 20, 0.5f, 1, 0},
                       {14, 24, 0.5f, 1, 1}, {10, 24, 0.5f, 0, 1}};
  device()->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1.0f, 0);
  ASSERT_EQ(
      device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]),
      S_OK);
  std::vector<uint32_t> pixels = Read();
  for (UINT y = 0; y < 4; ++y)
    for (UINT x = 0; x < 4; ++x)
      EXPECT_EQ(PixelAt(pixels, 10 + x, 20 + y),
                0xFF000000u | (x * 60u) << 16 | (y * 60u) << 8);
  EXPECT_EQ(PixelAt(pixels, 9, 20), 0xFF0000FFu);

  // A tint through the uniform block reaches the next draw.
  const float half[4] = {0.0f, 1.0f, 0.0f, 1.0f};
  program->SetUniformFloats("tint", half, 4);
  device()->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, quad, sizeof quad[0]);
  EXPECT_EQ(PixelAt(Read(), 13, 23), 0xFF00B400u);

  device()->SetShaderProgram(nullptr);
  device()->SetTexture(0, nullptr);
  program->Release();
  texture->Release();
}

TEST_F(ProgrammableTest, StateBlocksCaptureTheProgram) {
  IDirect3DShaderProgram9* program = Build();
  ASSERT_NE(program, nullptr);
  IDirect3DStateBlock9* block = nullptr;
  device()->CreateStateBlock(D3DSBT_ALL, &block);
  device()->SetShaderProgram(program);
  IDirect3DShaderProgram9* current = nullptr;
  device()->GetShaderProgram(&current);
  EXPECT_EQ(current, program);
  current->Release();
  block->Apply();
  device()->GetShaderProgram(&current);
  EXPECT_EQ(current, nullptr);
  // Recorded blocks record it too.
  device()->BeginStateBlock();
  device()->SetShaderProgram(program);
  IDirect3DStateBlock9* recorded = nullptr;
  device()->EndStateBlock(&recorded);
  device()->GetShaderProgram(&current);
  EXPECT_EQ(current, nullptr);
  recorded->Apply();
  device()->GetShaderProgram(&current);
  EXPECT_EQ(current, program);
  current->Release();
  device()->SetShaderProgram(nullptr);
  recorded->Release();
  block->Release();
  program->Release();
}

TEST_F(ProgrammableTest, CompileErrorsComeBackReadable) {
  ShaderProgramDesc desc;
  desc.vertexSource = kVertex;
  desc.pixelSource = "#version 330 core\nout vec4 c;\nvoid main() { c = x; }\n";
  IDirect3DShaderProgram9* program = nullptr;
  std::string log;
  EXPECT_EQ(device()->CreateShaderProgram(desc, &program, &log),
            D3DERR_INVALIDCALL);
  EXPECT_EQ(program, nullptr);
  EXPECT_NE(log.find("pixel program"), std::string::npos) << log;
  EXPECT_NE(log.find("   3: void main() { c = x; }"), std::string::npos) << log;
}

}  // namespace
