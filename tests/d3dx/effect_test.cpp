// Effects on the hidden device: SetMatrix reaching mul(pos, M) as
// Direct3D's row vector times matrix, two passes with their states, End
// putting every changed state back, and the glow effect resource.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "platform/d3dx/d3dx9.h"
#include "shared_device.h"

namespace {

const char kTwoPass[] = R"(// two passes over one quad
texture tex;
float4x4 world : WorldProjection;
float brightness = 1.0;

sampler S = sampler_state
{
  Texture = <tex>;
  MinFilter = POINT; MagFilter = POINT; MipFilter = NONE;
  AddressU = Clamp; AddressV = Clamp;
};

struct VIn { float4 pos : POSITION; float2 uv : TEXCOORD0; };
struct VOut { float4 pos : POSITION; float2 uv : TEXCOORD0; };

VOut vs(VIn i)
{
  VOut o;
  o.pos = mul(i.pos, world);
  o.uv = i.uv;
  return o;
}

float4 ps(VOut i) : COLOR { return tex2D(S, i.uv) * brightness; }
float4 psRed(VOut i) : COLOR { return float4(brightness, 0, 0, 0.5); }

technique Two < string purpose = "test"; >
{
  pass A < string note = "first"; >
  {
    Sampler[0] = (S);
    fvf = XYZ | Tex1;
    ZEnable = false;
    VertexShader = compile vs_2_0 vs();
    PixelShader = compile ps_2_0 ps();
  }
  pass B
  {
    fvf = XYZ | Tex1;
    AlphaBlendEnable = true;
    SrcBlend = SrcAlpha;
    DestBlend = InvSrcAlpha;
    BlendOp = Add;
    VertexShader = compile vs_1_1 vs();
    PixelShader = compile ps_1_1 psRed();
  }
}
)";

struct QuadVertex {
  float x, y, z, u, v;
};

// A quad of half the clip space around the centre.
const QuadVertex kQuad[4] = {{-0.5f, 0.5f, 0.5f, 0, 0},
                             {0.5f, 0.5f, 0.5f, 1, 0},
                             {-0.5f, -0.5f, 0.5f, 0, 1},
                             {0.5f, -0.5f, 0.5f, 1, 1}};

class EffectTest : public testing::Test {
 protected:
  void SetUp() override {
    device = SharedDevice();
    ASSERT_NE(device, nullptr);
    ID3DXBuffer* errors = nullptr;
    ASSERT_EQ(D3DXCreateEffect(device, kTwoPass, sizeof kTwoPass - 1, nullptr,
                               nullptr, 0, nullptr, &effect, &errors),
              S_OK)
        << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
    ASSERT_EQ(device->CreateTexture(2, 2, 1, 0, D3DFMT_A8R8G8B8,
                                    D3DPOOL_MANAGED, &green, nullptr),
              S_OK);
    D3DLOCKED_RECT locked;
    green->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < 2; ++y)
      for (int x = 0; x < 2; ++x)
        reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) +
                                    y * locked.Pitch)[x] = 0xFF00FF00u;
    green->UnlockRect(0);
  }
  void TearDown() override {
    if (green) green->Release();
    if (effect) effect->Release();
  }

  IDirect3DDevice9* device = nullptr;
  ID3DXEffect* effect = nullptr;
  IDirect3DTexture9* green = nullptr;
};

uint32_t At(const std::vector<uint32_t>& p, int x, int y) {
  return p[size_t(y) * 800 + x] & 0xFFFFFF;
}

TEST_F(EffectTest, TwoPassesDrawWithTheirStatesAndMatrices) {
  device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000,
                1.0f, 0);
  device->BeginScene();
  ASSERT_EQ(effect->SetTechnique(effect->GetTechnique(0)), S_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
  EXPECT_EQ(passes, 2u);
  D3DXMATRIX right, left;
  D3DXMatrixTranslation(&right, 0.5f, 0.0f, 0.0f);
  D3DXMatrixTranslation(&left, -0.5f, 0.0f, 0.0f);
  EXPECT_EQ(effect->SetTexture("tex", green), S_OK);
  EXPECT_EQ(effect->SetMatrix("world", &right), S_OK);
  EXPECT_EQ(effect->Pass(0), S_OK);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, kQuad, sizeof(QuadVertex));
  EXPECT_EQ(effect->SetMatrix("world", &left), S_OK);
  EXPECT_EQ(effect->Pass(1), S_OK);
  device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, kQuad, sizeof(QuadVertex));
  EXPECT_EQ(effect->End(), S_OK);
  device->EndScene();
  std::vector<uint32_t> p;
  ASSERT_EQ(device->ReadBackBuffer(&p), S_OK);
  // Row vector times matrix: +0.5 in x moves the quad to clip x 0..1, the
  // right half of the screen (columns 400..799, rows 150..449).
  EXPECT_EQ(At(p, 600, 300), 0x00FF00u);
  EXPECT_EQ(At(p, 405, 155), 0x00FF00u);
  EXPECT_EQ(At(p, 795, 445), 0x00FF00u);
  EXPECT_EQ(At(p, 600, 145), 0x000000u);
  EXPECT_EQ(At(p, 600, 455), 0x000000u);
  // The second pass, moved to the left half: red at alpha 0.5 blended over
  // black.
  const uint32_t red = At(p, 200, 300);
  EXPECT_NEAR(int(red >> 16), 128, 2);
  EXPECT_EQ(red & 0xFFFF, 0u);
  EXPECT_EQ(At(p, 395, 155) >> 16, 0x80u);
  EXPECT_EQ(At(p, 200, 145), 0x000000u);
}

TEST_F(EffectTest, EndRestoresEveryStateThePassesChange) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
  device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_SUBTRACT);
  device->SetRenderState(D3DRS_ZENABLE, D3DZB_TRUE);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_ANISOTROPIC);
  device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
  device->SetFVF(D3DFVF_XYZ | D3DFVF_NORMAL);
  IDirect3DTexture9* other = nullptr;
  ASSERT_EQ(device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                  &other, nullptr),
            S_OK);
  device->SetTexture(0, other);
  effect->SetTexture("tex", green);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
  EXPECT_EQ(effect->Begin(&passes, 0), D3DERR_INVALIDCALL);
  for (UINT i = 0; i < passes; ++i) EXPECT_EQ(effect->Pass(i), S_OK);
  EXPECT_EQ(effect->Pass(passes), D3DERR_INVALIDCALL);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, DWORD(TRUE));  // pass B is in force
  IDirect3DShaderProgram9* program = nullptr;
  device->GetShaderProgram(&program);
  EXPECT_NE(program, nullptr);
  if (program) program->Release();
  EXPECT_EQ(effect->End(), S_OK);

  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, DWORD(FALSE));
  device->GetRenderState(D3DRS_SRCBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ONE));
  device->GetRenderState(D3DRS_DESTBLEND, &value);
  EXPECT_EQ(value, DWORD(D3DBLEND_ZERO));
  device->GetRenderState(D3DRS_BLENDOP, &value);
  EXPECT_EQ(value, DWORD(D3DBLENDOP_SUBTRACT));
  device->GetRenderState(D3DRS_ZENABLE, &value);
  EXPECT_EQ(value, DWORD(D3DZB_TRUE));
  device->GetSamplerState(0, D3DSAMP_MINFILTER, &value);
  EXPECT_EQ(value, DWORD(D3DTEXF_ANISOTROPIC));
  device->GetSamplerState(0, D3DSAMP_ADDRESSU, &value);
  EXPECT_EQ(value, DWORD(D3DTADDRESS_WRAP));
  device->GetFVF(&value);
  EXPECT_EQ(value, D3DFVF_XYZ | D3DFVF_NORMAL);
  IDirect3DBaseTexture9* bound = nullptr;
  device->GetTexture(0, &bound);
  EXPECT_EQ(bound, other);
  if (bound) bound->Release();
  device->GetShaderProgram(&program);
  EXPECT_EQ(program, nullptr);
  if (program) program->Release();
  device->SetTexture(0, nullptr);
  device->SetRenderState(D3DRS_BLENDOP, D3DBLENDOP_ADD);
  device->SetSamplerState(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
  other->Release();
}

TEST_F(EffectTest, DoNotSaveStateLeavesPassStatesInPlace) {
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, D3DXFX_DONOTSAVESTATE), S_OK);
  EXPECT_EQ(effect->Pass(1), S_OK);
  EXPECT_EQ(effect->End(), S_OK);
  DWORD value = 0;
  device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
  EXPECT_EQ(value, DWORD(TRUE));
  device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
  device->SetShaderProgram(nullptr);
}

TEST_F(EffectTest, HandlesAndParameterErrors) {
  EXPECT_EQ(effect->GetTechnique(1), nullptr);
  D3DXHANDLE tech = effect->GetTechniqueByName("Two");
  ASSERT_NE(tech, nullptr);
  EXPECT_STREQ(effect->GetPass(tech, 1), "B");
  EXPECT_EQ(effect->GetPass(tech, 2), nullptr);
  D3DXHANDLE bright = effect->GetParameterByName(nullptr, "brightness");
  ASSERT_NE(bright, nullptr);
  EXPECT_EQ(effect->SetFloat(bright, 0.5f), S_OK);
  EXPECT_EQ(effect->SetFloat("nothing", 0.5f), D3DERR_INVALIDCALL);
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  EXPECT_EQ(effect->SetMatrix("brightness", &m), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTexture("world", green), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->SetTechnique("Missing"), D3DERR_INVALIDCALL);
  EXPECT_EQ(effect->Pass(0), D3DERR_INVALIDCALL);  // outside Begin
  EXPECT_EQ(effect->End(), D3DERR_INVALIDCALL);
}

TEST(EffectCreate, CompileErrorsComeBackWithSourceLines) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  const std::string bad =
      "float4 vs(float4 p : POSITION) : POSITION { return p; }\n"
      "float4 ps() : COLOR { return missing; }\n"
      "technique T { pass P { VertexShader = compile vs_1_1 vs();\n"
      "  PixelShader = compile ps_1_1 ps(); } }\n";
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  EXPECT_FALSE(
      SUCCEEDED(D3DXCreateEffect(device, bad.data(), UINT(bad.size()), nullptr,
                                 nullptr, 0, nullptr, &effect, &errors)));
  EXPECT_EQ(effect, nullptr);
  ASSERT_NE(errors, nullptr);
  const std::string text = static_cast<const char*>(errors->GetBufferPointer());
  // The whole text is compiled for each entry point, so the first program
  // compiled reports the error.
  EXPECT_NE(text.find("program vs (vs_1_1)"), std::string::npos) << text;
  EXPECT_NE(text.find("'missing'"), std::string::npos) << text;
  EXPECT_NE(text.find("> 2 | float4 ps()"), std::string::npos) << text;
  errors->Release();
  // An unknown state names its line and column.
  const std::string state = "technique T { pass P {\n  Wobble = 3; } }\n";
  EXPECT_FALSE(SUCCEEDED(D3DXCreateEffect(device, state.data(),
                                          UINT(state.size()), nullptr, nullptr,
                                          0, nullptr, &effect, nullptr)));
  EXPECT_NE(std::string(D3DXGetLastErrorText()).find("line 2:3"),
            std::string::npos)
      << D3DXGetLastErrorText();
}

TEST(EffectCreate, GlowEffectResourceHasFivePasses) {
  IDirect3DDevice9* device = SharedDevice();
  ASSERT_NE(device, nullptr);
  ID3DXEffect* effect = nullptr;
  ID3DXBuffer* errors = nullptr;
  ASSERT_EQ(D3DXCreateEffectFromResourceA(device, nullptr, MAKEINTRESOURCE(103),
                                          nullptr, nullptr, 0, nullptr, &effect,
                                          &errors),
            S_OK)
      << (errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
  ASSERT_EQ(effect->SetTechnique(effect->GetTechnique(0)), S_OK);
  UINT passes = 0;
  ASSERT_EQ(effect->Begin(&passes, 0), S_OK);
  EXPECT_EQ(passes, 5u);
  EXPECT_EQ(effect->SetFloat("pSize", 0.01f), S_OK);
  D3DXMATRIX m;
  D3DXMatrixIdentity(&m);
  EXPECT_EQ(effect->SetMatrix("texTrans", &m), S_OK);
  EXPECT_EQ(effect->Pass(4), S_OK);
  DWORD op = 0;
  device->GetRenderState(D3DRS_BLENDOP, &op);
  EXPECT_EQ(op, DWORD(D3DBLENDOP_MAX));
  EXPECT_EQ(effect->End(), S_OK);
  device->GetRenderState(D3DRS_BLENDOP, &op);
  EXPECT_EQ(op, DWORD(D3DBLENDOP_ADD));
  effect->Release();
}

}  // namespace
