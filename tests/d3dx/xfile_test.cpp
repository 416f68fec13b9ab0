// The .x reader and writer: round trips in every form, hand-written files
// in the shapes other exporters produce, and malformed data.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/xfile_model.h"

namespace {

HRESULT ReadText(const std::string& text, XMeshData* mesh,
                 std::string* reason = nullptr) {
  return ReadXFile(text.data(), text.size(), mesh, reason);
}

XMeshData SampleMesh() {
  XMeshData m;
  // Two quads (four triangles) with awkward floats, two materials.
  m.positions = {{0, 0, 0},     {1.1f, 0, 0},       {1.1f, 1e-7f, 0},
                 {0, 1, -2.5f}, {3.3333333f, 2, 1}, {-123456.78f, 0.1f, 0.2f}};
  m.normals = {{0, 0, -1}, {0, 0, -1}, {0, 0, -1},
               {0, 1, 0},  {1, 0, 0},  {0.6f, 0.8f, 0}};
  m.texcoords = {0, 0, 1, 0, 1, 1, 0, 1, 0.25f, 0.75f, 0.5f, 0.125f};
  m.indices = {0, 1, 2, 0, 2, 3, 3, 4, 5, 5, 4, 1};
  m.faceMaterials = {1, 0, 1, 1};
  XMaterial a, b;
  a.faceColor = {1, 0.5f, 0.25f, 1};
  a.power = 12;
  a.specularColor = {0.1f, 0.2f, 0.3f, 1};
  a.emissiveColor = {0.01f, 0.02f, 0.03f, 1};
  b.faceColor = {0, 0, 1, 0.5f};
  b.textureFilename = "C:\\\\dir\\\\a b;c.tga";
  m.materials = {a, b};
  return m;
}

void ExpectSame(const XMeshData& a, const XMeshData& b) {
  ASSERT_EQ(a.positions.size(), b.positions.size());
  for (size_t i = 0; i < a.positions.size(); ++i) {
    EXPECT_EQ(a.positions[i].x, b.positions[i].x) << i;
    EXPECT_EQ(a.positions[i].y, b.positions[i].y) << i;
    EXPECT_EQ(a.positions[i].z, b.positions[i].z) << i;
  }
  ASSERT_EQ(a.normals.size(), b.normals.size());
  for (size_t i = 0; i < a.normals.size(); ++i) {
    EXPECT_FLOAT_EQ(a.normals[i].x, b.normals[i].x) << i;
    EXPECT_FLOAT_EQ(a.normals[i].y, b.normals[i].y) << i;
    EXPECT_FLOAT_EQ(a.normals[i].z, b.normals[i].z) << i;
  }
  EXPECT_EQ(a.texcoords, b.texcoords);
  EXPECT_EQ(a.indices, b.indices);
  EXPECT_EQ(a.faceMaterials, b.faceMaterials);
  ASSERT_EQ(a.materials.size(), b.materials.size());
  for (size_t i = 0; i < a.materials.size(); ++i) {
    const XMaterial &x = a.materials[i], &y = b.materials[i];
    const float fx[] = {x.faceColor.r,     x.faceColor.g,     x.faceColor.b,
                        x.faceColor.a,     x.power,           x.specularColor.r,
                        x.specularColor.g, x.specularColor.b, x.emissiveColor.r,
                        x.emissiveColor.g, x.emissiveColor.b};
    const float fy[] = {y.faceColor.r,     y.faceColor.g,     y.faceColor.b,
                        y.faceColor.a,     y.power,           y.specularColor.r,
                        y.specularColor.g, y.specularColor.b, y.emissiveColor.r,
                        y.emissiveColor.g, y.emissiveColor.b};
    for (int k = 0; k < 11; ++k) EXPECT_EQ(fx[k], fy[k]) << i << "/" << k;
    EXPECT_EQ(a.materials[i].textureFilename, b.materials[i].textureFilename);
  }
}

class XFileRoundTrip : public testing::TestWithParam<XFileForm> {};

TEST_P(XFileRoundTrip, WriterThenReaderGivesTheSameArrays) {
  const XMeshData in = SampleMesh();
  std::vector<uint8_t> file;
  ASSERT_TRUE(WriteXFile(in, GetParam(), &file));
  XMeshData out;
  std::string reason;
  ASSERT_EQ(ReadXFile(file.data(), file.size(), &out, &reason), S_OK) << reason;
  ExpectSame(in, out);
}

TEST_P(XFileRoundTrip, TruncationAtEveryByteFailsCleanly) {
  std::vector<uint8_t> file;
  ASSERT_TRUE(WriteXFile(SampleMesh(), GetParam(), &file));
  for (size_t n = 0; n < file.size(); ++n) {
    XMeshData out;
    std::string reason;
    const HRESULT hr = ReadXFile(file.data(), n, &out, &reason);
    if (SUCCEEDED(hr)) continue;  // binary forms may end at a token edge
    EXPECT_FALSE(reason.empty()) << n;
  }
}

INSTANTIATE_TEST_SUITE_P(AllForms, XFileRoundTrip,
                         testing::Values(XFileForm::Text, XFileForm::Binary,
                                         XFileForm::TextZip,
                                         XFileForm::BinaryZip));

TEST(XFileWriter, CompressedFormIsSelfContainedBlocks) {
  // More than two 32 KiB blocks of body; each block must inflate alone.
  XMeshData m;
  for (int i = 0; i < 3000; ++i) {
    m.positions.push_back({float(i), float(i % 7), float(i % 13)});
  }
  for (int i = 0; i + 2 < 3000; i += 3) {
    m.indices.insert(m.indices.end(),
                     {uint32_t(i), uint32_t(i + 1), uint32_t(i + 2)});
    m.faceMaterials.push_back(0);
  }
  std::vector<uint8_t> file;
  ASSERT_TRUE(WriteXFile(m, XFileForm::BinaryZip, &file));
  ASSERT_EQ(std::memcmp(file.data(), "xof 0303bzip0032", 16), 0);
  uint32_t total;
  std::memcpy(&total, file.data() + 16, 4);
  size_t pos = 20, sum = 0, blocks = 0;
  while (pos < file.size()) {
    uint16_t usize, csize;
    std::memcpy(&usize, &file[pos], 2);
    std::memcpy(&csize, &file[pos + 2], 2);
    EXPECT_LE(usize, 32768);
    EXPECT_EQ(file[pos + 4], 'C');
    EXPECT_EQ(file[pos + 5], 'K');
    // Re-frame this block alone as a one-block file: it must decode
    // without the history of the block before it.
    std::vector<uint8_t> alone(file.begin(), file.begin() + 16);
    const uint32_t t = usize + 16;
    alone.insert(alone.end(), reinterpret_cast<const uint8_t*>(&t),
                 reinterpret_cast<const uint8_t*>(&t) + 4);
    alone.insert(alone.end(), file.begin() + pos,
                 file.begin() + pos + 4 + csize);
    XMeshData ignored;
    std::string reason;
    const HRESULT hr = ReadXFile(alone.data(), alone.size(), &ignored, &reason);
    EXPECT_EQ(reason.find("distance"), std::string::npos) << reason;
    (void)hr;
    sum += usize;
    ++blocks;
    pos += 4 + csize;
  }
  EXPECT_GE(blocks, 2u);
  EXPECT_EQ(sum + 16, total);
  XMeshData out;
  ASSERT_EQ(ReadXFile(file.data(), file.size(), &out, nullptr), S_OK);
  EXPECT_EQ(out.positions.size(), 3000u);
}

TEST(XFileWriter, RejectsInconsistentInput) {
  XMeshData m = SampleMesh();
  std::vector<uint8_t> out;
  m.indices.push_back(0);
  EXPECT_FALSE(WriteXFile(m, XFileForm::Text, &out));
  m = SampleMesh();
  m.indices[0] = 99;
  EXPECT_FALSE(WriteXFile(m, XFileForm::Text, &out));
  m = SampleMesh();
  m.faceMaterials[0] = 2;
  EXPECT_FALSE(WriteXFile(m, XFileForm::Text, &out));
}

// A cube of 8 vertices and 6 quads with one normal per face: every corner
// vertex is shared by three faces with different normals, so 24 vertices.
const char kCube[] = R"(xof 0303txt 0032
// exported by hand
# a hash comment too
template Vector { <3D82AB5E-62DA-11CF-AB39-0020AF71E433> FLOAT x; FLOAT y; FLOAT z; }
Header { 1; 0; 1; }
Mesh cube {
 8;
 -1.0;-1.0;-1.0;, 1.0;-1.0;-1.0;, -1.0;1.0;-1.0;, 1.0;1.0;-1.0;,
 -1.0;-1.0;1.0;, 1.0;-1.0;1.0;, -1.0;1.0;1.0;, 1.0;1.0;1.0;;
 6;
 4;0,2,3,1;, 4;4,5,7,6;, 4;0,1,5,4;, 4;2,6,7,3;, 4;0,4,6,2;, 4;1,3,7,5;;
 MeshNormals {
  6; 0.0;0.0;-1.0;, 0.0;0.0;1.0;, 0.0;-1.0;0.0;, 0.0;1.0;0.0;,
     -1.0;0.0;0.0;, 1.0;0.0;0.0;;
  6; 4;0,0,0,0;, 4;1,1,1,1;, 4;2,2,2,2;, 4;3,3,3,3;, 4;4,4,4,4;, 4;5,5,5,5;;
 }
}
)";

TEST(XFileReader, CubeWithFaceNormalsSplitsTo24Vertices) {
  XMeshData m;
  std::string reason;
  ASSERT_EQ(ReadText(kCube, &m, &reason), S_OK) << reason;
  EXPECT_EQ(m.positions.size(), 24u);
  ASSERT_EQ(m.indices.size(), 36u);
  // First face keeps the original slots: fan (0,2,3), (0,3,1).
  EXPECT_EQ((std::vector<uint32_t>(m.indices.begin(), m.indices.begin() + 6)),
            (std::vector<uint32_t>{0, 2, 3, 0, 3, 1}));
  // Second face: 4,5,7,6 first seen here, so they keep their slots too.
  EXPECT_EQ(m.indices[6], 4u);
  // Third face uses 0 again with a new normal: appended slot 8 copies it.
  EXPECT_EQ(m.indices[12], 8u);
  EXPECT_EQ(m.positions[8].x, -1.0f);
  EXPECT_EQ(m.normals[8].y, -1.0f);
  EXPECT_EQ(m.normals[0].z, -1.0f);
  // No material list: the default material, every face on attribute 0.
  EXPECT_TRUE(m.materials.empty());
  EXPECT_EQ(m.faceMaterials, std::vector<uint32_t>(12, 0));
}

TEST(XFileReader, FramesAccumulateTransformsAndMergeMeshes) {
  const char file[] = R"(xof 0303txt 0032
Frame root {
 Mesh A { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
 FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,2.0,1.0;; }
 Mesh B { 3; 0.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;;
  MeshMaterialList { 2; 1; 1;; Material { 1.0;0.0;0.0;1.0;; 5.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;; }
                     Material { 0.0;1.0;0.0;1.0;; 5.0; 1.0;1.0;1.0;; 0.0;0.0;0.0;;
                                TextureFilename { "tex.png"; } } } }
 FrameTransformMatrix { 1.0,0.0,0.0,0.0, 0.0,1.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,3.0,1.0;; }
 Frame child {
  FrameTransformMatrix { 0.0,1.0,0.0,0.0, -1.0,0.0,0.0,0.0, 0.0,0.0,1.0,0.0, 0.0,0.0,0.0,1.0;; }
  Mesh C { 3; 1.0;0.0;0.0;, 1.0;0.0;0.0;, 0.0;1.0;0.0;; 1; 3;0,1,2;; }
 }
}
)";
  XMeshData m;
  std::string reason;
  ASSERT_EQ(ReadText(file, &m, &reason), S_OK) << reason;
  ASSERT_EQ(m.positions.size(), 9u);
  EXPECT_EQ(m.positions[0].z, 0.0f);  // A before any transform
  EXPECT_EQ(m.positions[3].z, 2.0f);  // B after the first
  EXPECT_EQ(m.positions[6].z, 5.0f);  // C after both
  // C's own rotation (x -> y) applies before its parent's translation.
  EXPECT_NEAR(m.positions[6].x, 0.0f, 1e-6f);
  EXPECT_NEAR(m.positions[6].y, 1.0f, 1e-6f);
  // Indices offset by the running vertex count.
  EXPECT_EQ(m.indices, (std::vector<uint32_t>{0, 1, 2, 3, 4, 5, 6, 7, 8}));
  // B's list gives materials 0 and 1; A and C get their own defaults.
  ASSERT_EQ(m.materials.size(), 4u);
  EXPECT_EQ(m.faceMaterials, (std::vector<uint32_t>{0, 2, 3}));
  EXPECT_EQ(m.materials[0].faceColor.a, 0.0f);
  EXPECT_EQ(m.materials[2].faceColor.g, 1.0f);
  EXPECT_EQ(m.materials[2].textureFilename, "tex.png");
}

TEST(XFileReader, NgonsFanAndShortMaterialListRepeatsLastIndex) {
  const char file[] =
      "xof 0303txt 0032Mesh{5;0;0;0;,1;0;0;,2;1;0;,1;2;0;,0;1;0;;"
      "2;5;0,1,2,3,4;,3;0,2,4;;"
      "MeshMaterialList{2;1;1;;Material{1;1;1;1;;0;0;0;0;;0;0;0;;}"
      "Material{0.5;0.5;0.5;1;;0;0;0;0;;0;0;0;;}}}";
  XMeshData m;
  std::string reason;
  ASSERT_EQ(ReadText(file, &m, &reason), S_OK) << reason;
  EXPECT_EQ(m.indices,
            (std::vector<uint32_t>{0, 1, 2, 0, 2, 3, 0, 3, 4, 0, 2, 4}));
  EXPECT_EQ(m.faceMaterials, (std::vector<uint32_t>{1, 1, 1, 1}));
  EXPECT_TRUE(m.normals.empty());
}

// Separator rule: after each value a single ',' or one or more ';' then at
// most one ','.
TEST(XFileReader, SeparatorRules) {
  struct Case {
    const char* faces;
    bool ok;
  } cases[] = {
      {"1; 3; 0; 1; 2;", true},
      {"1, 3, 0, 1, 2,", true},
      {"1;;;;; 3;;;; 0;;; 1;; 2;", true},
      {"1;;, 3;;, 0;, 1;, 2;,", true},
      {"1; 3; 0, 1,, 2;", false},
      {"1; 3; 0, 1,; 2;", false},
      {"1; 3; 0 1 2;", false},
  };
  for (const Case& c : cases) {
    std::string file = "xof 0303txt 0032 Mesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; ";
    file += c.faces;
    file += " }";
    XMeshData m;
    std::string reason;
    const HRESULT hr = ReadText(file, &m, &reason);
    EXPECT_EQ(SUCCEEDED(hr), c.ok) << c.faces << " -> " << reason;
    if (!c.ok) {
      EXPECT_EQ(hr, D3DXFERR_PARSEERROR) << c.faces;
      EXPECT_NE(reason.find("line 1:"), std::string::npos) << reason;
    }
  }
}

// Hand-built binary token stream of the shape real exporters write.
class BinaryBuilder {
 public:
  BinaryBuilder() { Raw("xof 0302bin 0032"); }
  BinaryBuilder& Raw(const char* s) {
    // Reserved first: GCC 12 otherwise warns (-Wstringop-overflow) about a
    // copy into the empty vector that cannot happen, one of the false
    // positives gathered under GCC's meta-bug 88443.
    const size_t n = std::strlen(s);
    bytes.reserve(bytes.size() + n);
    bytes.insert(bytes.end(), s, s + n);
    return *this;
  }
  BinaryBuilder& Tok(uint16_t id) { return U16(id); }
  BinaryBuilder& Name(const char* s) {
    U16(1);
    U32(uint32_t(std::strlen(s)));
    return Raw(s);
  }
  BinaryBuilder& Ints(std::initializer_list<uint32_t> v) {
    U16(6);
    U32(uint32_t(v.size()));
    for (uint32_t x : v) U32(x);
    return *this;
  }
  BinaryBuilder& Floats(std::initializer_list<float> v) {
    U16(7);
    U32(uint32_t(v.size()));
    for (float f : v) {
      uint32_t b;
      std::memcpy(&b, &f, 4);
      U32(b);
    }
    return *this;
  }
  BinaryBuilder& U16(uint16_t v) {
    bytes.push_back(uint8_t(v));
    bytes.push_back(uint8_t(v >> 8));
    return *this;
  }
  BinaryBuilder& U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes.push_back(uint8_t(v >> (8 * i)));
    return *this;
  }
  std::vector<uint8_t> bytes;
};

TEST(XFileReader, BinaryPerCornerNormalsAndReferencedMaterial) {
  BinaryBuilder b;
  // Top-level named Material, referenced from the mesh's list.
  b.Name("Material")
      .Name("red")
      .Tok(10)
      .Floats({1, 0, 0, 1, 8, 1, 1, 1, 0, 0, 0})
      .Tok(10)
      .Tok(11);
  // Oops: a reference inside Material is fine too; close Material.
  b.Tok(11);
  b.Name("Frame")
      .Tok(10)
      .Name("Mesh")
      .Tok(10)
      .Ints({4})
      .Floats({0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0})
      .Ints({1, 4, 0, 1, 2, 3});
  b.Name("MeshNormals")
      .Tok(10)
      .Ints({2})
      .Floats({0, 0, -1, 0, 0, 2})  // second one not unit length
      .Ints({1, 4, 0, 1, 1, 0})
      .Tok(11);
  b.Name("MeshMaterialList")
      .Tok(10)
      .Ints({1, 1, 0})
      .Tok(10)
      .Name("red")
      .Tok(11)
      .Tok(11);
  b.Tok(11).Tok(11);
  XMeshData m;
  std::string reason;
  ASSERT_EQ(ReadXFile(b.bytes.data(), b.bytes.size(), &m, &reason), S_OK)
      << reason;
  // Corners 0 and 3 keep normal 0; corners 1, 2 carry normal 1: vertices 1
  // and 2 keep their slots (first use), nothing splits.
  EXPECT_EQ(m.positions.size(), 4u);
  EXPECT_EQ(m.normals[1].z, 1.0f);  // normalised on load
  EXPECT_EQ(m.indices, (std::vector<uint32_t>{0, 1, 2, 0, 2, 3}));
  ASSERT_EQ(m.materials.size(), 1u);
  EXPECT_EQ(m.materials[0].faceColor.r, 1.0f);
  EXPECT_EQ(m.materials[0].power, 8.0f);
}

TEST(XFileReader, BinaryListFollowedBySeparatorIsRejected) {
  BinaryBuilder b;
  b.Name("Mesh").Tok(10).Ints({3}).Tok(20);
  XMeshData m;
  std::string reason;
  EXPECT_EQ(ReadXFile(b.bytes.data(), b.bytes.size(), &m, &reason),
            D3DXFERR_PARSEERROR);
  EXPECT_NE(reason.find("byte "), std::string::npos) << reason;
}

TEST(XFileReader, HeaderErrors) {
  // The codes callers compare against, as Direct3D numbers them.
  EXPECT_EQ(static_cast<uint32_t>(D3DXFERR_BADFILETYPE), 0x8876038Cu);
  EXPECT_EQ(static_cast<uint32_t>(D3DXFERR_BADFILEVERSION), 0x8876038Du);
  EXPECT_EQ(static_cast<uint32_t>(D3DXFERR_BADFILEFLOATSIZE), 0x8876038Eu);
  EXPECT_EQ(static_cast<uint32_t>(D3DXFERR_PARSEERROR), 0x88760390u);
  XMeshData m;
  EXPECT_EQ(ReadText("xof 0303txt", &m), D3DXFERR_BADFILETYPE);
  EXPECT_EQ(ReadText("xOf 0303txt 0032", &m), D3DXFERR_BADFILETYPE);
  EXPECT_EQ(ReadText("xof 0102txt 0032", &m), D3DXFERR_BADFILEVERSION);
  EXPECT_EQ(ReadText("xof 0303cmp 0032", &m), D3DXFERR_BADFILETYPE);
  EXPECT_EQ(ReadText("xof 0303txt 0050", &m), D3DXFERR_BADFILEFLOATSIZE);
  // Valid but empty: no mesh.
  EXPECT_EQ(ReadText("xof 0303txt 0032", &m), E_FAIL);
  EXPECT_EQ(ReadText("xof 0303txt 0032Mesh{0;;0;;}", &m), E_FAIL);
}

TEST(XFileReader, MalformedContentGivesReasonsNotCrashes) {
  struct Case {
    std::string file;
    HRESULT code;
    const char* reasonPart;
  } cases[] = {
      {"xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,7;; }",
       E_FAIL, "vertex 7"},
      {"xof 0303txt 0032\nMesh { 4294967295; 0;0;0;; }", E_FAIL, "larger"},
      {"xof 0303txt 0032\nMesh { 3; 0;0;0;, 1e99;0;0;, 0;1;0;; 1; 3;0,1,2;; }",
       E_FAIL, "not a finite float"},
      {"xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 2;0,1;; }",
       E_FAIL, "fewer than 3"},
      {"xof 0303txt 0032\nMesh { 1; \"abc }", D3DXFERR_PARSEERROR, "line 2:"},
      {"xof 0303txt 0032\nFrame { { missing } }", D3DXFERR_PARSEERROR,
       "unknown object"},
      {"xof 0303txt 0032\nMesh { 3; 0;0;0;, 1;0;0;, 0;1;0;; 1; 3;0,1,2;;"
       " MeshMaterialList { 2; 1; 0;; Material { 1;1;1;1;;0;0;0;0;;0;0;0;; } } "
       "}",
       E_FAIL, "materials"},
  };
  for (const Case& c : cases) {
    XMeshData m;
    std::string reason;
    EXPECT_EQ(ReadText(c.file, &m, &reason), c.code) << c.file;
    EXPECT_NE(reason.find(c.reasonPart), std::string::npos)
        << c.file << " -> " << reason;
  }
  // Deep nesting fails cleanly instead of exhausting the stack.
  std::string deep = "xof 0303txt 0032";
  for (int i = 0; i < 10000; ++i) deep += "Frame{";
  XMeshData m;
  EXPECT_EQ(ReadText(deep, &m), D3DXFERR_PARSEERROR);
  // References that multiply a mesh are bounded: 2^20 instances of one
  // mesh through nested frames fail quickly instead of running for ever.
  std::string refs =
      "xof 0303txt 0032 Frame F0 { Mesh { 3; 0;0;0;, 1;0;0;, "
      "0;1;0;; 1; 3;0,1,2;; } }\n";
  for (int i = 1; i <= 20; ++i)
    refs += "Frame F" + std::to_string(i) + " { {F" + std::to_string(i - 1) +
            "} {F" + std::to_string(i - 1) + "} }\n";
  EXPECT_EQ(ReadText(refs, &m), E_FAIL);
  // A huge binary list count fails before anything is allocated.
  BinaryBuilder b;
  b.Name("Mesh").Tok(10).U16(6).U32(0x40000000u);
  EXPECT_EQ(ReadXFile(b.bytes.data(), b.bytes.size(), &m, nullptr),
            D3DXFERR_PARSEERROR);
}

// Blocks that copy from the previous block's output (a preset dictionary)
// decode too: the history carries over as in the original compressor.
TEST(XFileReader, DictionaryChainedBlocksDecode) {
  std::vector<uint8_t> text;
  ASSERT_TRUE(WriteXFile(SampleMesh(), XFileForm::Text, &text));
  std::vector<uint8_t> body(text.begin() + 16, text.end());
  // Repeat the mesh's text as comments so the body spans several blocks.
  std::string padding;
  while (padding.size() < 70000) padding += "// Mesh { 3; 0.0;0.0;0.0;; }\n";
  body.insert(body.begin(), padding.begin(), padding.end());
  std::vector<uint8_t> file(text.begin(), text.begin() + 16);
  std::memcpy(&file[8], "tzip", 4);
  const uint32_t total = uint32_t(body.size() + 16);
  file.insert(file.end(), reinterpret_cast<const uint8_t*>(&total),
              reinterpret_cast<const uint8_t*>(&total) + 4);
  z_stream z{};
  ASSERT_EQ(deflateInit2(&z, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
  std::vector<uint8_t> chunk(70000);
  for (size_t start = 0; start < body.size(); start += 32768) {
    const size_t len = std::min<size_t>(32768, body.size() - start);
    deflateReset(&z);
    if (start) deflateSetDictionary(&z, body.data() + start - 32768, 32768);
    z.next_in = body.data() + start;
    z.avail_in = uInt(len);
    z.next_out = chunk.data();
    z.avail_out = uInt(chunk.size());
    ASSERT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
    const size_t produced = chunk.size() - z.avail_out;
    const uint16_t head[2] = {uint16_t(len), uint16_t(produced + 2)};
    file.insert(file.end(), reinterpret_cast<const uint8_t*>(head),
                reinterpret_cast<const uint8_t*>(head) + 4);
    file.push_back('C');
    file.push_back('K');
    file.insert(file.end(), chunk.begin(), chunk.begin() + produced);
  }
  deflateEnd(&z);
  XMeshData out;
  std::string reason;
  ASSERT_EQ(ReadXFile(file.data(), file.size(), &out, &reason), S_OK) << reason;
  ExpectSame(SampleMesh(), out);
}

TEST(XFileReader, BinaryWithDoubleFloats) {
  BinaryBuilder b;
  b.bytes.clear();
  b.Raw("xof 0303bin 0064");
  b.Name("Mesh").Tok(10).Ints({3}).U16(7).U32(9);
  const double v[9] = {0, 0, 0, 1.5, 0, 0, 0, 2.25, 0};
  for (double d : v) {
    uint64_t bits;
    std::memcpy(&bits, &d, 8);
    b.U32(uint32_t(bits)).U32(uint32_t(bits >> 32));
  }
  b.Ints({1, 3, 0, 1, 2}).Tok(11);
  XMeshData m;
  std::string reason;
  ASSERT_EQ(ReadXFile(b.bytes.data(), b.bytes.size(), &m, &reason), S_OK)
      << reason;
  EXPECT_EQ(m.positions[1].x, 1.5f);
  EXPECT_EQ(m.positions[2].y, 2.25f);
}

TEST(XFileReader, CompressedCorruptionIsRejected) {
  std::vector<uint8_t> good;
  ASSERT_TRUE(WriteXFile(SampleMesh(), XFileForm::BinaryZip, &good));
  XMeshData m;
  auto read = [&](const std::vector<uint8_t>& f) {
    return ReadXFile(f.data(), f.size(), &m, nullptr);
  };
  ASSERT_EQ(read(good), S_OK);
  std::vector<uint8_t> f = good;
  f[16] += 1;  // total off by one
  EXPECT_EQ(read(f), D3DXFERR_PARSEERROR);
  f = good;
  f[24] = 'X';  // no CK
  EXPECT_EQ(read(f), D3DXFERR_PARSEERROR);
  f = good;
  f[20] = 0x01, f[21] = 0x80;  // usize 32769
  EXPECT_EQ(read(f), D3DXFERR_PARSEERROR);
  f = good;
  f.pop_back();  // last block cut
  EXPECT_EQ(read(f), D3DXFERR_PARSEERROR);
  for (size_t i = 26; i < good.size(); i += 7) {  // flipped bytes
    f = good;
    f[i] ^= 0x5A;
    const HRESULT hr = read(f);
    EXPECT_TRUE(SUCCEEDED(hr) || FAILED(hr));  // reached without crashing
  }
}

}  // namespace
