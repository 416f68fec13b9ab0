// meshview: renders every MESH resource through the real device and the
// extension library's .x loader, headless (SDL's offscreen driver), each
// with the texture, texture-coordinate mode and light its section uses,
// from a camera like the section's. Writes <out>/meshes/<id>.png at
// 800 x 600 and a labelled sheet <out>/mesh_sheet.png.
//   meshview <assets dir> <out dir>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "art_util.h"
#include "catalog.h"
#include "headless_device.h"
#include "image_decoder.h"
#include "image_encoder.h"
#include "mesh_catalog.h"
#include "platform/d3dx/d3dx9.h"

namespace {

enum class TexGen { Uv, CameraNormal, SphereMap };

struct View {
  int resource;
  const char* label;
  D3DXVECTOR3 eye, at;
  float fovY;
  int texture;  // image resource; -1: per subset 165 + i mod 3
  TexGen texgen;
  bool lit;
  float yawDeg;  // turn about y before viewing
};

const View kViews[] = {
    {104,
     "104 topuz knot (slot 1, normal texgen)",
     {0, 40, -300},
     {0, 0, 0},
     0.785f,
     132,
     TexGen::CameraNormal,
     false,
     20},
    {105,
     "105 Titrek rings (slot 14, lit from the centre)",
     {12, 6, 12},
     {0, -10, 0},
     1.7f,
     144,
     TexGen::Uv,
     true,
     0},
    {107,
     "107 backdrop sphere from inside (slot 4)",
     {0, 0, 0.1f},
     {0, 0, 0},
     2.385f,
     138,
     TexGen::Uv,
     false,
     0},
    {108,
     "108 bent tube (slot 14)",
     {0, 60, -220},
     {0, 0, 0},
     1.0f,
     144,
     TexGen::Uv,
     false,
     0},
    {109,
     "109 tunnel from its camera (slot 5)",
     {0, 0, -140},
     {180, 0, 0},
     2.4f,
     141,
     TexGen::Uv,
     false,
     0},
    {110,
     "110 blob (slot 12 sphere map, lit)",
     {0, 30, -110},
     {0, 0, 0},
     0.9f,
     142,
     TexGen::SphereMap,
     true,
     0},
    {111,
     "111 inner ring (slot 34, normal texgen)",
     {0, 60, -260},
     {0, 0, 0},
     1.2f,
     164,
     TexGen::CameraNormal,
     false,
     30},
    {112,
     "112 middle ring",
     {0, 60, -300},
     {0, 0, 0},
     1.2f,
     164,
     TexGen::CameraNormal,
     false,
     30},
    {113,
     "113 outer ring",
     {0, 120, -330},
     {0, 0, 0},
     1.2f,
     164,
     TexGen::CameraNormal,
     false,
     0},
    {114,
     "114 card carrier (slot 23)",
     {0, 70, -300},
     {0, 0, 0},
     1.0f,
     153,
     TexGen::Uv,
     false,
     40},
    {116,
     "116 glider (slot 38, lit)",
     {120, 90, -300},
     {0, 35, 0},
     0.9f,
     163,
     TexGen::Uv,
     true,
     0},
    {117,
     "117 banded column (slots 35-37, lit)",
     {40, 30, -120},
     {0, 0, 0},
     1.0f,
     -1,
     TexGen::Uv,
     true,
     0},
};

std::vector<uint8_t> ReadBytes(const std::filesystem::path& p) {
  std::ifstream f(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                              std::istreambuf_iterator<char>());
}

IDirect3DTexture9* LoadTexture(IDirect3DDevice9* dev,
                               const std::filesystem::path& assets, int res) {
  for (const auto& e : ImageCatalog())
    if (e.resource == res) {
      auto bytes = ReadBytes(assets / e.file);
      IDirect3DTexture9* t = nullptr;
      D3DXCreateTextureFromFileInMemory(dev, bytes.data(),
                                        static_cast<UINT>(bytes.size()), &t);
      return t;
    }
  return nullptr;
}

const char* FileOf(int resource) {
  for (const auto& e : MeshCatalog())
    if (e.resource == resource) return e.file;
  return "";
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 3) {
    std::fprintf(stderr, "usage: meshview <assets dir> <out dir>\n");
    return 2;
  }
  std::filesystem::path assets = argv[1], out = argv[2];
  std::filesystem::create_directories(out / "meshes");
  HeadlessDevice hd;
  if (!hd.ok()) {
    std::fprintf(stderr, "meshview: no device: %s\n", hd.error().c_str());
    return 1;
  }
  IDirect3DDevice9* dev = hd.device();
  const int tw = 400, th = 300, cols = 3;
  const int count = static_cast<int>(std::size(kViews));
  Image sheet(cols * tw, ((count + cols - 1) / cols) * (th + 20),
              {0.02f, 0.02f, 0.03f, 1});
  Field labels(sheet.width(), sheet.height());
  TextPainter text(Typeface::Sans);
  IDirect3DTexture9* bands[3] = {LoadTexture(dev, assets, 165),
                                 LoadTexture(dev, assets, 166),
                                 LoadTexture(dev, assets, 167)};
  for (int k = 0; k < count; ++k) {
    const View& v = kViews[k];
    auto bytes = ReadBytes(assets / FileOf(v.resource));
    ID3DXMesh* mesh = nullptr;
    ID3DXBuffer* mats = nullptr;
    DWORD matCount = 0;
    HRESULT hr = D3DXLoadMeshFromXInMemory(
        bytes.data(), static_cast<DWORD>(bytes.size()), D3DXMESH_MANAGED, dev,
        nullptr, &mats, nullptr, &matCount, &mesh);
    if (hr < 0) {
      std::fprintf(stderr, "meshview: %d does not load: %s\n", v.resource,
                   D3DXGetLastErrorText());
      return 1;
    }
    IDirect3DTexture9* tex =
        v.texture >= 0 ? LoadTexture(dev, assets, v.texture) : nullptr;
    dev->BeginScene();
    dev->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF101820, 1.0f,
               0);
    D3DXMATRIX world, view, proj;
    D3DXMatrixRotationY(&world, v.yawDeg * 0.017453292f);
    D3DXVECTOR3 up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &v.eye, &v.at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, v.fovY, 1.3f, 1.0f, 2000.0f);
    dev->SetTransform(D3DTS_WORLD, &world);
    dev->SetTransform(D3DTS_VIEW, &view);
    dev->SetTransform(D3DTS_PROJECTION, &proj);
    dev->SetRenderState(D3DRS_ZENABLE, TRUE);
    dev->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    dev->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    dev->SetRenderState(D3DRS_LIGHTING, v.lit ? TRUE : FALSE);
    dev->SetRenderState(D3DRS_SPECULARENABLE, v.lit ? TRUE : FALSE);
    dev->SetRenderState(D3DRS_AMBIENT, 0x00303030);
    dev->SetTextureStageState(0, D3DTSS_COLOROP,
                              v.lit ? D3DTOP_MODULATE : D3DTOP_SELECTARG1);
    dev->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    dev->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    DWORD tci = v.texgen == TexGen::CameraNormal ? D3DTSS_TCI_CAMERASPACENORMAL
                : v.texgen == TexGen::SphereMap  ? D3DTSS_TCI_SPHEREMAP
                                                 : 0;
    dev->SetTextureStageState(0, D3DTSS_TEXCOORDINDEX, tci);
    if (v.lit) {
      // The sections' kind of light: a point light, over-bright, 1/d.
      D3DLIGHT9 light{};
      light.Type = D3DLIGHT_POINT;
      light.Diffuse = {255, 255, 255, 0};
      light.Specular = {10, 10, 10, 0};
      light.Position = v.resource == 105 ? D3DVECTOR{0, 0, 0}
                                         : D3DVECTOR{v.eye.x, v.eye.y, v.eye.z};
      light.Range = 2000;
      light.Attenuation1 = 1;
      dev->SetLight(0, &light);
      dev->LightEnable(0, TRUE);
    }
    const auto* m = static_cast<const D3DXMATERIAL*>(mats->GetBufferPointer());
    for (DWORD i = 0; i < matCount; ++i) {
      D3DMATERIAL9 mat = m[i].MatD3D;
      if (v.resource == 105 && i == 0) mat.Diffuse = {0, 0, 0, mat.Diffuse.a};
      dev->SetMaterial(&mat);
      dev->SetTexture(0, tex ? tex : bands[i % 3]);
      mesh->DrawSubset(i);
    }
    dev->EndScene();
    std::vector<uint32_t> px = hd.ReadBackBuffer();
    std::string name = (out / "meshes" / (std::to_string(v.resource) + ".png"));
    WritePng(name, px, 800, 600);
    int ox = (k % cols) * tw, oy = (k / cols) * (th + 20);
    for (int y = 0; y < th; ++y)
      for (int x = 0; x < tw; ++x) {
        Rgba acc;
        for (int dy = 0; dy < 2; ++dy)
          for (int dx = 0; dx < 2; ++dx) {
            uint32_t p = px[(2 * y + dy) * 800 + 2 * x + dx];
            acc.r += ((p >> 16) & 255) / 1020.0f;
            acc.g += ((p >> 8) & 255) / 1020.0f;
            acc.b += (p & 255) / 1020.0f;
          }
        acc.a = 1;
        sheet.At(ox + x, oy + y) = acc;
      }
    text.Draw(&labels, v.label, ox + 6, oy + th + 15, 13, 0);
    std::printf("%d: %lu vertices, %lu faces, %lu subsets -> %s\n", v.resource,
                static_cast<unsigned long>(mesh->GetNumVertices()),
                static_cast<unsigned long>(mesh->GetNumFaces()),
                static_cast<unsigned long>(matCount), name.c_str());
    if (tex) tex->Release();
    mats->Release();
    mesh->Release();
  }
  for (auto* b : bands)
    if (b) b->Release();
  sheet.Paint(labels, Opaque(0.85, 0.9, 1.0));
  auto png = EncodePng(sheet, {}, 1);
  std::ofstream f(out / "mesh_sheet.png", std::ios::binary);
  f.write(reinterpret_cast<const char*>(png.data()),
          static_cast<std::streamsize>(png.size()));
  return 0;
}
