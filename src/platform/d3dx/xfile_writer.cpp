// WriteXFile: one Mesh object with its normals, texture coordinates and
// material list, in any of the four forms. Text floats are written in the
// shortest fixed notation that reads back to the same float, always with a
// decimal point (some readers refuse integers where floats belong).
#include <charconv>
#include <cstring>

#include "platform/d3dx/mszip.h"
#include "platform/d3dx/xfile_model.h"

namespace {

bool Consistent(const XMeshData& m) {
  const size_t n = m.positions.size();
  if (n == 0 || m.indices.empty() || m.indices.size() % 3) return false;
  if (!m.normals.empty() && m.normals.size() != n) return false;
  if (!m.texcoords.empty() && m.texcoords.size() != 2 * n) return false;
  if (m.faceMaterials.size() != m.indices.size() / 3) return false;
  for (uint32_t i : m.indices)
    if (i >= n) return false;
  const size_t materials = m.materials.empty() ? 1 : m.materials.size();
  for (uint32_t a : m.faceMaterials)
    if (a >= materials) return false;
  return true;
}

class TextOut {
 public:
  explicit TextOut(std::vector<uint8_t>* out) : out_(out) {}
  void Put(const char* s) { out_->insert(out_->end(), s, s + std::strlen(s)); }
  void Put(const std::string& s) {
    out_->insert(out_->end(), s.begin(), s.end());
  }
  void Int(uint32_t v) { Put(std::to_string(v)); }
  void Float(float f) {
    char buf[64];
    auto [end, ec] =
        std::to_chars(buf, buf + sizeof buf - 3, f, std::chars_format::fixed);
    if (ec != std::errc()) {
      Put("0.0");
      return;
    }
    if (!std::memchr(buf, '.', end - buf)) {
      *end++ = '.';
      *end++ = '0';
    }
    out_->insert(out_->end(), buf, end);
  }
  void Vector(const D3DVECTOR& v, bool last) {
    Put("  ");
    Float(v.x);
    Put(";");
    Float(v.y);
    Put(";");
    Float(v.z);
    Put(last ? ";;\n" : ";,\n");
  }
  void Faces(const std::vector<uint32_t>& idx) {
    const size_t faces = idx.size() / 3;
    Put("  ");
    Int(static_cast<uint32_t>(faces));
    Put(";\n");
    for (size_t f = 0; f < faces; ++f) {
      Put("  3;");
      Int(idx[3 * f]);
      Put(",");
      Int(idx[3 * f + 1]);
      Put(",");
      Int(idx[3 * f + 2]);
      Put(f + 1 == faces ? ";;\n" : ";,\n");
    }
  }

 private:
  std::vector<uint8_t>* out_;
};

void WriteText(const XMeshData& m, std::vector<uint8_t>* out) {
  TextOut t(out);
  const size_t n = m.positions.size();
  t.Put("Mesh {\n  ");
  t.Int(static_cast<uint32_t>(n));
  t.Put(";\n");
  for (size_t i = 0; i < n; ++i) t.Vector(m.positions[i], i + 1 == n);
  t.Faces(m.indices);
  if (!m.normals.empty()) {
    t.Put(" MeshNormals {\n  ");
    t.Int(static_cast<uint32_t>(n));
    t.Put(";\n");
    for (size_t i = 0; i < n; ++i) t.Vector(m.normals[i], i + 1 == n);
    t.Faces(m.indices);
    t.Put(" }\n");
  }
  if (!m.texcoords.empty()) {
    t.Put(" MeshTextureCoords {\n  ");
    t.Int(static_cast<uint32_t>(n));
    t.Put(";\n");
    for (size_t i = 0; i < n; ++i) {
      t.Put("  ");
      t.Float(m.texcoords[2 * i]);
      t.Put(";");
      t.Float(m.texcoords[2 * i + 1]);
      t.Put(i + 1 == n ? ";;\n" : ";,\n");
    }
    t.Put(" }\n");
  }
  if (!m.materials.empty()) {
    const size_t faces = m.faceMaterials.size();
    t.Put(" MeshMaterialList {\n  ");
    t.Int(static_cast<uint32_t>(m.materials.size()));
    t.Put(";\n  ");
    t.Int(static_cast<uint32_t>(faces));
    t.Put(";\n");
    for (size_t f = 0; f < faces; ++f) {
      t.Put("  ");
      t.Int(m.faceMaterials[f]);
      t.Put(f + 1 == faces ? ";;\n" : ",\n");
    }
    for (const XMaterial& mat : m.materials) {
      t.Put("  Material {\n   ");
      const float c[4] = {mat.faceColor.r, mat.faceColor.g, mat.faceColor.b,
                          mat.faceColor.a};
      for (float f : c) {
        t.Float(f);
        t.Put(";");
      }
      t.Put(";\n   ");
      t.Float(mat.power);
      t.Put(";\n   ");
      for (const D3DCOLORVALUE* col :
           {&mat.specularColor, &mat.emissiveColor}) {
        t.Float(col->r);
        t.Put(";");
        t.Float(col->g);
        t.Put(";");
        t.Float(col->b);
        t.Put(";;\n   ");
      }
      if (!mat.textureFilename.empty()) {
        t.Put("TextureFilename {\n    \"");
        t.Put(mat.textureFilename);
        t.Put("\";\n   }\n");
      }
      t.Put("  }\n");
    }
    t.Put(" }\n");
  }
  t.Put("}\n");
}

// Binary token stream; consecutive numbers of one kind share one list.
class BinaryOut {
 public:
  explicit BinaryOut(std::vector<uint8_t>* out) : out_(out) {}
  ~BinaryOut() { Flush(); }

  void Token(uint16_t id) {
    Flush();
    U16(id);
  }
  void Name(const std::string& s) {
    Token(1);
    U32(static_cast<uint32_t>(s.size()));
    out_->insert(out_->end(), s.begin(), s.end());
  }
  void String(const std::string& s) {
    Token(2);
    U32(static_cast<uint32_t>(s.size()));
    out_->insert(out_->end(), s.begin(), s.end());
    U16(20);  // ';' ends a string
  }
  void Int(uint32_t v) {
    if (listKind_ != 6) Flush(), listKind_ = 6;
    ints_.push_back(v);
  }
  void Float(float v) {
    if (listKind_ != 7) Flush(), listKind_ = 7;
    floats_.push_back(v);
  }
  void Open(const char* name) {
    Name(name);
    Token(10);
  }
  void Close() { Token(11); }

 private:
  void U16(uint16_t v) {
    out_->push_back(uint8_t(v));
    out_->push_back(uint8_t(v >> 8));
  }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) out_->push_back(uint8_t(v >> (8 * i)));
  }
  void Flush() {
    if (listKind_ == 6) {
      U16(6);
      U32(static_cast<uint32_t>(ints_.size()));
      for (uint32_t v : ints_) U32(v);
    } else if (listKind_ == 7) {
      U16(7);
      U32(static_cast<uint32_t>(floats_.size()));
      for (float f : floats_) {
        uint32_t bits;
        std::memcpy(&bits, &f, 4);
        U32(bits);
      }
    }
    listKind_ = 0;
    ints_.clear();
    floats_.clear();
  }

  std::vector<uint8_t>* out_;
  int listKind_ = 0;
  std::vector<uint32_t> ints_;
  std::vector<float> floats_;
};

void WriteBinaryFaces(BinaryOut& b, const std::vector<uint32_t>& idx) {
  b.Int(static_cast<uint32_t>(idx.size() / 3));
  for (size_t f = 0; f < idx.size() / 3; ++f) {
    b.Int(3);
    for (int k = 0; k < 3; ++k) b.Int(idx[3 * f + k]);
  }
}

void WriteBinary(const XMeshData& m, std::vector<uint8_t>* out) {
  BinaryOut b(out);
  const uint32_t n = static_cast<uint32_t>(m.positions.size());
  b.Open("Mesh");
  b.Int(n);
  for (const auto& p : m.positions) b.Float(p.x), b.Float(p.y), b.Float(p.z);
  WriteBinaryFaces(b, m.indices);
  if (!m.normals.empty()) {
    b.Open("MeshNormals");
    b.Int(n);
    for (const auto& v : m.normals) b.Float(v.x), b.Float(v.y), b.Float(v.z);
    WriteBinaryFaces(b, m.indices);
    b.Close();
  }
  if (!m.texcoords.empty()) {
    b.Open("MeshTextureCoords");
    b.Int(n);
    for (float f : m.texcoords) b.Float(f);
    b.Close();
  }
  if (!m.materials.empty()) {
    b.Open("MeshMaterialList");
    b.Int(static_cast<uint32_t>(m.materials.size()));
    b.Int(static_cast<uint32_t>(m.faceMaterials.size()));
    for (uint32_t a : m.faceMaterials) b.Int(a);
    for (const XMaterial& mat : m.materials) {
      b.Open("Material");
      const float v[11] = {
          mat.faceColor.r,     mat.faceColor.g,     mat.faceColor.b,
          mat.faceColor.a,     mat.power,           mat.specularColor.r,
          mat.specularColor.g, mat.specularColor.b, mat.emissiveColor.r,
          mat.emissiveColor.g, mat.emissiveColor.b};
      for (float f : v) b.Float(f);
      if (!mat.textureFilename.empty()) {
        b.Open("TextureFilename");
        b.String(mat.textureFilename);
        b.Close();
      }
      b.Close();
    }
    b.Close();
  }
  b.Close();
}

}  // namespace

bool WriteXFile(const XMeshData& mesh, XFileForm form,
                std::vector<uint8_t>* out) {
  if (!out || !Consistent(mesh)) return false;
  out->clear();
  const bool text = form == XFileForm::Text || form == XFileForm::TextZip;
  const char* header = form == XFileForm::Text     ? "xof 0303txt 0032"
                       : form == XFileForm::Binary ? "xof 0303bin 0032"
                       : text                      ? "xof 0303tzip0032"
                                                   : "xof 0303bzip0032";
  out->insert(out->end(), header, header + 16);
  std::vector<uint8_t> body;
  if (text) {
    body.push_back('\n');
    WriteText(mesh, &body);
  } else {
    WriteBinary(mesh, &body);
  }
  if (form == XFileForm::Text || form == XFileForm::Binary) {
    out->insert(out->end(), body.begin(), body.end());
    return true;
  }
  return MszipEncode(body, out);
}
