#include "platform/gfx/ffp_shader_source.h"

#include <iterator>

#include "platform/gfx/d3d9_types.h"
#include "platform/gfx/gl_differences.h"

namespace gfx {

const char* FixedFunctionBlockSource() {
  return R"(layout(std140) uniform FixedFunction {
  mat4 worldView[4];       // Direct3D matrices as stored: M * v = v . M
  mat4 normalMatrix;       // inverse transpose of worldView[0], 3 x 3
  mat4 projection;
  mat4 textureMatrix[2];
  vec4 materialDiffuse;
  vec4 materialAmbient;
  vec4 materialSpecular;
  vec4 materialEmissive;
  vec4 lightDiffuse;
  vec4 lightSpecular;
  vec4 lightAmbient;
  vec4 lightPosition;      // camera space; w = range
  vec4 lightDirection;     // camera space, towards the light
  vec4 lightAttenuation;   // a0, a1, a2, material power
  vec4 globalAmbient;      // D3DRS_AMBIENT
  vec4 pointSize;          // D3DRS_POINTSIZE, _MIN, _MAX (capped), viewport height
  vec4 pointScale;         // D3DRS_POINTSCALE_A, _B, _C
  vec4 viewport;           // X, Y, width, height in pixels
  vec4 textureFactor;      // D3DRS_TEXTUREFACTOR
  vec4 alphaReference;     // x = D3DRS_ALPHAREF, 0..255
};
)";
}

const char* PositionFixupSource() {
  // Direct3D clip space -> GL clip space for a target stored top row first:
  // x moves half a pixel right and y half a pixel down (GL samples pixel
  // centres at i + 0.5, Direct3D at i), y flips, z goes from [0, w] to
  // [-w, w].
  return R"(vec4 FixupPosition(vec4 p, vec4 vp) {
  return vec4(p.x + p.w / vp.z, -p.y + p.w / vp.w, 2.0 * p.z - p.w, p.w);
}
)";
}

namespace {

void ReplaceAll(std::string* s, const std::string& from,
                const std::string& to) {
  for (size_t at = s->find(from); at != std::string::npos;
       at = s->find(from, at + to.size()))
    s->replace(at, from.size(), to);
}

const char* SourceExpression(uint64_t source, const char* material) {
  switch (source) {
    case kSourceVertexDiffuse:
      return "inDiffuse";
    case kSourceVertexSpecular:
      return "inSpecular";
    default:
      return material;
  }
}

void AppendTexCoord(std::string* s, int stage, uint64_t gen, uint64_t index,
                    uint64_t transform) {
  std::string k = std::to_string(stage);
  std::string tc = "tc" + k;
  *s += "  vec4 " + tc + ";\n";
  switch (gen) {
    case D3DTSS_TCI_CAMERASPACENORMAL >> 16:
      *s += "  " + tc + " = vec4(N, 1.0);\n";
      break;
    case D3DTSS_TCI_CAMERASPACEPOSITION >> 16:
      *s += "  " + tc + " = vec4(Vc, 1.0);\n";
      break;
    case D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR >> 16:
      *s += "  " + tc + " = vec4(reflect(SafeNormalize(Vc), N), 1.0);\n";
      break;
    case D3DTSS_TCI_SPHEREMAP >> 16:
      // N is used as it is (not renormalised); m is kept away from zero
      // where R points straight back along the view ray.
      *s +=
          "  {\n"
          "    vec3 I = SafeNormalize(Vc);\n"
          "    vec3 R = I - 2.0 * dot(N, I) * N;\n"
          "    float m = 2.0 * sqrt(R.x * R.x + R.y * R.y + (R.z + 1.0) * "
          "(R.z + 1.0));\n"
          "    m = max(m, 1e-20);\n"
          "    " +
          tc +
          " = vec4(R.x / m + 0.5, R.y / m + 0.5, 0.0, 1.0);\n"
          "  }\n";
      break;
    default:
      if (index < 2) {
        // Two-float sets enter a texture transform as (u, v, 1, 0), so the
        // matrix's third row translates them.
        *s += "  " + tc + " = vec4(inTexCoord" + std::to_string(index) +
              ".xy, 1.0, 0.0);\n";
      } else {
        *s += "  " + tc + " = vec4(0.0, 0.0, 1.0, 0.0);\n";
      }
      break;
  }
  if (transform > 0)
    *s += "  " + tc + " = textureMatrix[" + k + "] * " + tc + ";\n";
  // D3DTTFF_PROJECTED divides per pixel (GenerateFragmentSource). The
  // coordinates interpolate as they are: no D3DRS_WRAPn.
  static_assert(kWrapStatesIgnored);
  *s += "  vTexCoord" + k + " = " + tc + ";\n";
}

// The attribute inputs, at the locations the draw binds, and the outputs
// to the fragment program.
void AppendVertexInterface(std::string* s, const VertexKey& v) {
  static const struct {
    VertexAttribute location;
    const char* declaration;
  } kInputs[] = {
      {kAttribPosition, "vec4 inPosition"},
      {kAttribWeights, "vec4 inWeights"},
      {kAttribNormal, "vec3 inNormal"},
      {kAttribPointSize, "float inPointSize"},
      {kAttribDiffuse, "vec4 inDiffuse"},
      {kAttribSpecular, "vec4 inSpecular"},
      {kAttribTexCoord0, "vec4 inTexCoord0"},
      {kAttribTexCoord1, "vec4 inTexCoord1"},
  };
  static_assert(std::size(kInputs) == kAttribCount);
  for (const auto& input : kInputs)
    *s += "layout(location = " + std::to_string(input.location) + ") in " +
          input.declaration + ";\n";
  const char* qualifier = v.flatShading ? "flat " : "";
  *s += std::string(qualifier) + "out vec4 vDiffuse;\n";
  *s += std::string(qualifier) + "out vec4 vSpecular;\n";
  *s += "out vec4 vTexCoord0;\nout vec4 vTexCoord1;\n";
}

// Screen-space vertices: x, y in pixels (Direct3D pixel centres at
// integers), z in [0, 1], rhw = 1 / w; colours as given.
void AppendPretransformed(std::string* s, const VertexKey& v) {
  *s +=
      "  float w = inPosition.w != 0.0 ? 1.0 / inPosition.w : 1.0;\n"
      "  vec2 ndc = (inPosition.xy + 0.5 - viewport.xy) / viewport.zw * "
      "2.0 - 1.0;\n"
      "  gl_Position = vec4(ndc * w, (2.0 * inPosition.z - 1.0) * w, w);\n"
      "  vec3 N = vec3(0.0);\n"
      "  vec3 Vc = inPosition.xyz;\n";
  *s +=
      v.hasDiffuse ? "  vDiffuse = inDiffuse;\n" : "  vDiffuse = vec4(1.0);\n";
  *s += v.hasSpecular ? "  vSpecular = inSpecular;\n"
                      : "  vSpecular = vec4(0.0);\n";
}

// The camera-space position V (and Vc), normal N and clip position, with
// vertex blending when the key asks for it.
void AppendTransform(std::string* s, const VertexKey& v) {
  *s += "  vec4 p = vec4(inPosition.xyz, 1.0);\n";
  if (v.vertexBlend) {
    // n weights blend n + 1 world matrices; the last weight is what the
    // others leave of 1. Both layers' rule for normals: each uses the
    // plain 3 x 3 of its world-view matrix.
    int n = static_cast<int>(v.vertexBlend);
    *s +=
        "  float weights[4];\n"
        "  float rest = 1.0;\n";
    for (int i = 0; i < n; ++i)
      *s += "  weights[" + std::to_string(i) + "] = inWeights[" +
            std::to_string(i) + "];\n  rest -= inWeights[" + std::to_string(i) +
            "];\n";
    *s += "  weights[" + std::to_string(n) + "] = rest;\n";
    *s +=
        "  vec4 V = vec4(0.0);\n"
        "  vec3 N = vec3(0.0);\n";
    *s += "  for (int i = 0; i <= " + std::to_string(n) +
          "; ++i) {\n"
          "    V += weights[i] * (worldView[i] * p);\n";
    if (v.hasNormal)
      *s += "    N += weights[i] * (mat3(worldView[i]) * inNormal);\n";
    *s += "  }\n";
  } else {
    *s += "  vec4 V = worldView[0] * p;\n";
    *s += v.hasNormal ? "  vec3 N = mat3(normalMatrix) * inNormal;\n"
                      : "  vec3 N = vec3(0.0);\n";
  }
  if (v.normalizeNormals) *s += "  N = SafeNormalize(N);\n";
  *s += "  vec3 Vc = V.xyz / V.w;\n";
  *s += "  gl_Position = FixupPosition(projection * V, viewport);\n";
}

// Direct3D's vertex lighting with light 0, or the vertex's own colours
// when lighting is off.
void AppendLighting(std::string* s, const VertexKey& v) {
  if (!v.lighting) {
    *s += v.hasDiffuse ? "  vDiffuse = inDiffuse;\n"
                       : "  vDiffuse = vec4(1.0);\n";
    *s += v.hasSpecular ? "  vSpecular = inSpecular;\n"
                        : "  vSpecular = vec4(0.0);\n";
    return;
  }
  *s += std::string("  vec4 Cd = ") +
        SourceExpression(v.diffuseSource, "materialDiffuse") + ";\n";
  *s += std::string("  vec4 Ca = ") +
        SourceExpression(v.ambientSource, "materialAmbient") + ";\n";
  *s += std::string("  vec4 Cs = ") +
        SourceExpression(v.specularSource, "materialSpecular") + ";\n";
  *s += std::string("  vec4 Ce = ") +
        SourceExpression(v.emissiveSource, "materialEmissive") + ";\n";
  *s +=
      "  vec3 ambientSum = globalAmbient.rgb;\n"
      "  vec3 diffuseSum = vec3(0.0);\n"
      "  vec3 specularSum = vec3(0.0);\n";
  if (v.lightType != 0) {
    *s += "  {\n";
    if (v.lightType == D3DLIGHT_DIRECTIONAL) {
      *s +=
          "    vec3 Ldir = lightDirection.xyz;\n"
          "    float atten = 1.0;\n";
    } else {
      static_assert(kSpotLightsLitAsPoint);
      *s +=
          "    vec3 L = lightPosition.xyz - Vc;\n"
          "    float d = length(L);\n"
          "    vec3 Ldir = d > 0.0 ? L / d : vec3(0.0);\n"
          "    float denominator = lightAttenuation.x + "
          "lightAttenuation.y * d + lightAttenuation.z * d * d;\n"
          "    float atten = denominator > 0.0 ? 1.0 / denominator : "
          "3.402823e38;\n"
          "    if (d > lightPosition.w) atten = 0.0;\n";
    }
    *s += "    float NdotL = clamp(dot(N, Ldir), 0.0, 1.0);\n";
    *s += v.localViewer
              ? "    vec3 H = SafeNormalize(Ldir - SafeNormalize(Vc));\n"
              : "    vec3 H = SafeNormalize(Ldir + vec3(0.0, 0.0, -1.0));\n";
    *s +=
        "    float NdotH = clamp(dot(N, H), 0.0, 1.0);\n"
        "    float spec = (NdotL > 0.0 && NdotH > 0.0) ? "
        "pow(NdotH, lightAttenuation.w) * atten : 0.0;\n"
        "    ambientSum += lightAmbient.rgb * atten;\n"
        "    diffuseSum += lightDiffuse.rgb * (NdotL * atten);\n"
        "    specularSum += lightSpecular.rgb * spec;\n"
        "  }\n";
  }
  *s +=
      "  vDiffuse = vec4(clamp(Ca.rgb * ambientSum + Cd.rgb * diffuseSum "
      "+ Ce.rgb, 0.0, 1.0), Cd.a);\n"
      "  vSpecular = vec4(clamp(Cs.rgb * specularSum, 0.0, 1.0), Cs.a);\n";
}

// The size of a point (Direct3D's formula, clamped to the min and max
// sizes), for the geometry program; one pixel for D3DFILL_POINT.
void AppendPointSize(std::string* s, const VertexKey& v) {
  if (!v.points) {
    static_assert(kPointFillIsOnePixel);
    *s += "  gl_PointSize = 1.0;\n";
    return;
  }
  *s += v.hasPointSize ? "  float Si = inPointSize;\n"
                       : "  float Si = pointSize.x;\n";
  if (v.pointScale) {
    *s +=
        "  float De = length(Vc);\n"
        "  float Ss = pointSize.w * Si * sqrt(1.0 / (pointScale.x + "
        "pointScale.y * De + pointScale.z * De * De));\n";
  } else {
    *s += "  float Ss = Si;\n";
  }
  // The clamp must happen here: a size of 0 is one pixel, not nothing.
  *s += "  pPointSize = clamp(Ss, pointSize.y, pointSize.z);\n";
}

}  // namespace

std::string GenerateVertexSource(const FixedFunctionKey& key) {
  const VertexKey& v = key.vertex;
  std::string s = "#version 330 core\n";
  s += FixedFunctionBlockSource();
  s += PositionFixupSource();
  AppendVertexInterface(&s, v);
  s += "vec3 SafeNormalize(vec3 x) {\n"
       "  float l = length(x);\n"
       "  return l > 0.0 ? x / l : x;\n"
       "}\n";
  s += "void main() {\n";
  if (v.pretransformed) {
    AppendPretransformed(&s, v);
  } else {
    AppendTransform(&s, v);
    AppendLighting(&s, v);
  }
  // Texture matrices apply to untransformed vertices only.
  AppendTexCoord(&s, 0, v.texGen0, v.texIndex0,
                 v.pretransformed ? 0 : v.texTransform0);
  AppendTexCoord(&s, 1, v.texGen1, v.texIndex1,
                 v.pretransformed ? 0 : v.texTransform1);
  AppendPointSize(&s, v);
  s += "}\n";
  if (v.points) {
    // Points go on to the geometry program, which expands each into a
    // square: the outputs take the names it reads.
    ReplaceAll(&s, "vDiffuse", "pDiffuse");
    ReplaceAll(&s, "vSpecular", "pSpecular");
    ReplaceAll(&s, "vTexCoord", "pTexCoord");
    ReplaceAll(&s, "out vec4 pTexCoord1;\n",
               "out vec4 pTexCoord1;\nout float pPointSize;\n");
  }
  return s;
}

std::string GenerateGeometrySource(const FixedFunctionKey& key) {
  if (!key.vertex.points) return std::string();
  const char* qualifier = key.vertex.flatShading ? "flat " : "";
  std::string s = "#version 330 core\n";
  s += FixedFunctionBlockSource();
  s += "layout(points) in;\n"
       "layout(triangle_strip, max_vertices = 4) out;\n";
  s += std::string(qualifier) + "in vec4 pDiffuse[];\n";
  s += std::string(qualifier) + "in vec4 pSpecular[];\n";
  s += "in vec4 pTexCoord0[];\nin vec4 pTexCoord1[];\nin float pPointSize[];\n";
  s += std::string(qualifier) + "out vec4 vDiffuse;\n";
  s += std::string(qualifier) + "out vec4 vSpecular;\n";
  s += "out vec4 vTexCoord0;\nout vec4 vTexCoord1;\nout vec2 vSpriteCoord;\n";
  // A square of side pPointSize pixels around the point, in clip space so
  // that GL clips it like any triangle: a point partly off screen keeps its
  // visible part, as in Direct3D. Sprite coordinates run from (0, 0) at the
  // top-left corner; targets are stored top row first, so the top is GL's
  // lower y.
  s += "void main() {\n"
       "  vec4 c = gl_in[0].gl_Position;\n"
       "  if (c.w <= 0.0) return;\n"
       "  vec2 extent = pPointSize[0] / viewport.zw * c.w;\n"
       "  for (int i = 0; i < 4; ++i) {\n"
       "    vec2 corner = vec2((i & 1) != 0 ? 1.0 : -1.0, (i & 2) != 0 ? 1.0 : "
       "-1.0);\n"
       "    gl_Position = vec4(c.xy + corner * extent, c.zw);\n"
       "    vDiffuse = pDiffuse[0];\n"
       "    vSpecular = pSpecular[0];\n"
       "    vTexCoord0 = pTexCoord0[0];\n"
       "    vTexCoord1 = pTexCoord1[0];\n"
       "    vSpriteCoord = corner * 0.5 + 0.5;\n"
       "    EmitVertex();\n"
       "  }\n"
       "  EndPrimitive();\n"
       "}\n";
  return s;
}

namespace {

constexpr DWORD kTopAddSigned = 8;
constexpr DWORD kTopAddSigned2x = 9;
constexpr DWORD kTopSubtract = 10;
constexpr DWORD kTopAddSmooth = 11;
constexpr DWORD kTopBlendDiffuseAlpha = 12;
constexpr DWORD kTopBlendTextureAlpha = 13;
constexpr DWORD kTopBlendFactorAlpha = 14;
constexpr DWORD kTopBlendTextureAlphaPm = 15;
constexpr DWORD kTopBlendCurrentAlpha = 16;

std::string ArgExpression(uint64_t arg, const std::string& texel) {
  std::string base;
  switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE:
      base = "vDiffuse";
      break;
    case D3DTA_CURRENT:
      base = "current";
      break;
    case D3DTA_TEXTURE:
      base = texel;
      break;
    case D3DTA_TFACTOR:
      base = "textureFactor";
      break;
    case D3DTA_SPECULAR:
      base = "vSpecular";
      break;
    // TEMP and CONSTANT registers are not kept: they read as zero.
    default:
      base = "vec4(0.0)";
      break;
  }
  if (arg & D3DTA_COMPLEMENT) base = "(vec4(1.0) - " + base + ")";
  if (arg & D3DTA_ALPHAREPLICATE) base = "vec4((" + base + ").a)";
  return base;
}

bool ReadsArg1(uint64_t op) { return op != D3DTOP_SELECTARG2; }
bool ReadsArg2(uint64_t op) { return op != D3DTOP_SELECTARG1; }

bool ReadsTexture(uint64_t op, uint64_t arg1, uint64_t arg2) {
  if (op == kTopBlendTextureAlpha || op == kTopBlendTextureAlphaPm) return true;
  return (ReadsArg1(op) && (arg1 & D3DTA_SELECTMASK) == D3DTA_TEXTURE) ||
         (ReadsArg2(op) && (arg2 & D3DTA_SELECTMASK) == D3DTA_TEXTURE);
}

std::string OpExpression(uint64_t op, const std::string& a1,
                         const std::string& a2, const std::string& texel) {
  switch (op) {
    case D3DTOP_SELECTARG1:
      return a1;
    case D3DTOP_SELECTARG2:
      return a2;
    case D3DTOP_MODULATE:
      return a1 + " * " + a2;
    case D3DTOP_MODULATE2X:
      return "clamp(2.0 * " + a1 + " * " + a2 + ", 0.0, 1.0)";
    case D3DTOP_MODULATE4X:
      return "clamp(4.0 * " + a1 + " * " + a2 + ", 0.0, 1.0)";
    case D3DTOP_ADD:
      return "clamp(" + a1 + " + " + a2 + ", 0.0, 1.0)";
    case kTopAddSigned:
      return "clamp(" + a1 + " + " + a2 + " - 0.5, 0.0, 1.0)";
    case kTopAddSigned2x:
      return "clamp(2.0 * (" + a1 + " + " + a2 + " - 0.5), 0.0, 1.0)";
    case kTopSubtract:
      return "clamp(" + a1 + " - " + a2 + ", 0.0, 1.0)";
    case kTopAddSmooth:
      return "clamp(" + a1 + " + " + a2 + " - " + a1 + " * " + a2 +
             ", 0.0, 1.0)";
    case kTopBlendDiffuseAlpha:
      return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
    case kTopBlendTextureAlpha:
      return "mix(" + a2 + ", " + a1 + ", " + texel + ".a)";
    case kTopBlendFactorAlpha:
      return "mix(" + a2 + ", " + a1 + ", textureFactor.a)";
    case kTopBlendTextureAlphaPm:
      return "clamp(" + a1 + " + " + a2 + " * (1.0 - " + texel +
             ".a), 0.0, 1.0)";
    case kTopBlendCurrentAlpha:
      return "mix(" + a2 + ", " + a1 + ", current.a)";
    // The remaining operations (premodulate, bump mapping, dot product,
    // multiply-add, lerp) are not built; they pass the first argument.
    default:
      return a1;
  }
}

}  // namespace

std::string GenerateFragmentSource(const FixedFunctionKey& key) {
  const PixelKey& p = key.pixel;
  std::string s = "#version 330 core\n";
  s += FixedFunctionBlockSource();
  const char* qualifier = p.flatShading ? "flat " : "";
  s += std::string(qualifier) + "in vec4 vDiffuse;\n";
  s += std::string(qualifier) + "in vec4 vSpecular;\n";
  s += "in vec4 vTexCoord0;\nin vec4 vTexCoord1;\n";
  if (p.pointSprite) s += "in vec2 vSpriteCoord;\n";
  s += "uniform sampler2D stageTexture0;\nuniform sampler2D stageTexture1;\n";
  s += "out vec4 fragColor;\n";
  s += "void main() {\n  vec4 current = vDiffuse;\n";
  for (int stage = 0; stage < kFixedFunctionStages; ++stage) {
    const StageKey& st = key.stages[stage];
    if (st.colorOp == D3DTOP_DISABLE) break;
    std::string k = std::to_string(stage);
    std::string texel = "texel" + k;
    if (st.hasTexture) {
      // A point sprite spans the whole texture: (0, 0) at its top-left.
      // D3DTTFF_PROJECTED divides by the chosen component per pixel.
      uint64_t projected =
          stage == 0 ? key.vertex.texProjected0 : key.vertex.texProjected1;
      std::string coord = "vTexCoord" + k + ".xy";
      if (projected != 0) {
        static const char* kComponent[5] = {"", "x", "y", "z", "w"};
        coord = "(" + coord + " / vTexCoord" + k + "." + kComponent[projected] +
                ")";
      }
      if (p.pointSprite) coord = "vSpriteCoord";
      s += "  vec4 " + texel + " = texture(stageTexture" + k + ", " + coord +
           ");\n";
    }
    s += "  {\n    vec4 result = current;\n";
    // A stage whose operation reads a texture it does not have passes the
    // current colour on, so untextured draws show their diffuse colour.
    bool passColor = kUntexturedStagePassesCurrent && !st.hasTexture &&
                     ReadsTexture(st.colorOp, st.colorArg1, st.colorArg2);
    bool passAlpha = kUntexturedStagePassesCurrent && !st.hasTexture &&
                     ReadsTexture(st.alphaOp, st.alphaArg1, st.alphaArg2);
    if (!passColor) {
      s += "    result.rgb = (" +
           OpExpression(st.colorOp, ArgExpression(st.colorArg1, texel),
                        ArgExpression(st.colorArg2, texel), texel) +
           ").rgb;\n";
    }
    if (st.alphaOp != D3DTOP_DISABLE && !passAlpha) {
      s += "    result.a = (" +
           OpExpression(st.alphaOp, ArgExpression(st.alphaArg1, texel),
                        ArgExpression(st.alphaArg2, texel), texel) +
           ").a;\n";
    }
    // Every stage's result goes to current, whatever D3DTSS_RESULTARG says.
    static_assert(kResultArgIgnored);
    s += "    current = result;\n  }\n";
  }
  if (p.specularEnable) s += "  current.rgb += vSpecular.rgb;\n";
  if (p.alphaFunc != 0) {
    // Direct3D compares the 8-bit alpha with D3DRS_ALPHAREF.
    static const char* kCompare[9] = {
        "", "false", "<", "==", "<=", ">", "!=", ">=", "true"};
    const char* cmp = kCompare[p.alphaFunc <= 8 ? p.alphaFunc : 8];
    s += "  float alpha8 = floor(clamp(current.a, 0.0, 1.0) * 255.0 + 0.5);\n";
    if (p.alphaFunc == D3DCMP_NEVER) {
      s += "  discard;\n";
    } else if (p.alphaFunc <= 7) {
      s += std::string("  if (!(alpha8 ") + cmp +
           " alphaReference.x)) discard;\n";
    }
  }
  s += "  fragColor = current;\n}\n";
  return s;
}

}  // namespace gfx
