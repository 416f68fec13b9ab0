// A small tokenizer and top-level parser for the effect framework. Only
// the outer structure is understood here (declarations, sampler_state,
// techniques); function bodies are skipped by brace matching and left to
// glslang.
#include <cctype>
#include <cstdlib>
#include <cstring>

#include "platform/d3dx/effect_description.h"

namespace {

// Effects nest braces only a few levels deep; more is malformed input.
constexpr int kMaxBraceDepth = 256;

struct Tok {
  enum Kind { End, Ident, Number, String, Punct } kind = End;
  std::string text;
  size_t begin = 0, end = 0;  // byte range in the text
};

class Tokenizer {
 public:
  explicit Tokenizer(const std::string& text) : s_(text) {}

  // Fails only on an unterminated comment or string.
  bool Run(std::vector<Tok>* out, size_t* errorAt) {
    size_t i = 0;
    const size_t n = s_.size();
    while (i < n) {
      const char c = s_[i];
      if (std::isspace(static_cast<unsigned char>(c)) || c == 0) {
        ++i;
      } else if (c == '/' && i + 1 < n && s_[i + 1] == '/') {
        while (i < n && s_[i] != '\n') ++i;
      } else if (c == '/' && i + 1 < n && s_[i + 1] == '*') {
        const size_t close = s_.find("*/", i + 2);
        if (close == std::string::npos) return *errorAt = i, false;
        i = close + 2;
      } else if (c == '#') {
        // Preprocessor lines pass through to glslang untouched.
        while (i < n && s_[i] != '\n') ++i;
      } else if (std::isalpha(static_cast<unsigned char>(c)) || c == '_') {
        size_t j = i;
        while (j < n && (std::isalnum(static_cast<unsigned char>(s_[j])) ||
                         s_[j] == '_'))
          ++j;
        out->push_back({Tok::Ident, s_.substr(i, j - i), i, j});
        i = j;
      } else if (std::isdigit(static_cast<unsigned char>(c)) ||
                 (c == '.' && i + 1 < n &&
                  std::isdigit(static_cast<unsigned char>(s_[i + 1])))) {
        size_t j = i;
        while (j < n && (std::isalnum(static_cast<unsigned char>(s_[j])) ||
                         s_[j] == '.' ||
                         ((s_[j] == '-' || s_[j] == '+') &&
                          (s_[j - 1] == 'e' || s_[j - 1] == 'E'))))
          ++j;
        out->push_back({Tok::Number, s_.substr(i, j - i), i, j});
        i = j;
      } else if (c == '"') {
        const size_t close = s_.find('"', i + 1);
        if (close == std::string::npos) return *errorAt = i, false;
        out->push_back(
            {Tok::String, s_.substr(i + 1, close - i - 1), i, close + 1});
        i = close + 1;
      } else {
        out->push_back({Tok::Punct, std::string(1, c), i, i + 1});
        ++i;
      }
    }
    out->push_back({Tok::End, "", n, n});
    return true;
  }

 private:
  const std::string& s_;
};

bool Is(const Tok& t, const char* text) {
  return t.text == text && t.kind != Tok::String;
}

bool IEquals(const std::string& a, const char* b) {
  return strcasecmp(a.c_str(), b) == 0;
}

void LineColumn(const std::string& text, size_t offset, int* line,
                int* column) {
  *line = 1;
  *column = 1;
  for (size_t i = 0; i < offset && i < text.size(); ++i) {
    if (text[i] == '\n') {
      ++*line;
      *column = 1;
    } else {
      ++*column;
    }
  }
}

EffectParamClass ClassOf(const std::string& type, int* floats) {
  *floats = 0;
  if (IEquals(type, "texture") || IEquals(type, "texture2D") ||
      IEquals(type, "texture3D") || IEquals(type, "textureCUBE"))
    return EffectParamClass::Texture;
  if (type.compare(0, 7, "sampler") == 0 || type.compare(0, 7, "Sampler") == 0)
    return EffectParamClass::Sampler;
  for (const char* base : {"float", "half"}) {
    const size_t len = std::strlen(base);
    if (type.compare(0, len, base) != 0) continue;
    const std::string rest = type.substr(len);
    if (rest.empty()) return *floats = 1, EffectParamClass::Scalar;
    if (rest.size() == 1 && rest[0] >= '1' && rest[0] <= '4')
      return *floats = rest[0] - '0', EffectParamClass::Vector;
    if (rest.size() == 3 && rest[1] == 'x' && rest[0] >= '1' &&
        rest[0] <= '4' && rest[2] >= '1' && rest[2] <= '4')
      return *floats = 16, EffectParamClass::Matrix;  // padded to 4x4
  }
  return EffectParamClass::Other;
}

class Parser {
 public:
  Parser(const std::string& text, std::vector<Tok> toks, EffectDescription* out)
      : text_(text), t_(std::move(toks)), out_(out) {
    out_->hlsl = text;
  }

  bool Run(std::string* reason) {
    while (ok_ && Cur().kind != Tok::End) TopLevel();
    if (!ok_) {
      int line, column;
      LineColumn(text_, errorAt_, &line, &column);
      *reason = "effect line " + std::to_string(line) + ":" +
                std::to_string(column) + ": " + error_;
    }
    return ok_;
  }

 private:
  const Tok& Cur() const { return t_[p_]; }
  const Tok& Peek(size_t k = 1) const {
    return t_[std::min(p_ + k, t_.size() - 1)];
  }
  void Next() {
    if (p_ + 1 < t_.size()) ++p_;
  }
  void Fail(const std::string& message) {
    if (!ok_) return;
    ok_ = false;
    error_ = message;
    errorAt_ = Cur().begin;
  }
  bool Expect(const char* punct) {
    if (!Is(Cur(), punct)) {
      Fail(std::string("expected '") + punct + "' but found '" + Cur().text +
           "'");
      return false;
    }
    Next();
    return true;
  }

  // Replaces text[begin, end) with spaces, keeping line breaks, so the HLSL
  // keeps the effect's line numbers.
  void Blank(size_t begin, size_t end) {
    for (size_t i = begin; i < end && i < out_->hlsl.size(); ++i)
      if (out_->hlsl[i] != '\n' && out_->hlsl[i] != '\r') out_->hlsl[i] = ' ';
  }

  // Skips a balanced group starting at an opening bracket.
  void SkipGroup(const char* open, const char* close) {
    int depth = 0;
    while (ok_) {
      if (Cur().kind == Tok::End)
        return Fail(std::string("missing '") + close + "'");
      if (Is(Cur(), open)) {
        if (++depth > kMaxBraceDepth) return Fail("nested too deeply");
      } else if (Is(Cur(), close)) {
        if (--depth == 0) {
          Next();
          return;
        }
      }
      Next();
    }
  }

  // < type name = value; ... >
  std::vector<EffectAnnotation> Annotations() {
    std::vector<EffectAnnotation> list;
    if (!Is(Cur(), "<")) return list;
    const size_t begin = Cur().begin;
    Next();
    while (ok_ && !Is(Cur(), ">")) {
      EffectAnnotation a;
      if (Cur().kind != Tok::Ident) {
        Fail("annotation needs a type");
        break;
      }
      a.type = Cur().text;
      Next();
      if (Cur().kind != Tok::Ident) {
        Fail("annotation needs a name");
        break;
      }
      a.name = Cur().text;
      Next();
      if (!Expect("=")) break;
      while (ok_ && !Is(Cur(), ";")) {
        if (Cur().kind == Tok::End || Is(Cur(), ">")) {
          Fail("annotation value not ended by ';'");
          break;
        }
        a.value += Cur().text;
        Next();
      }
      Expect(";");
      list.push_back(a);
    }
    if (ok_) {
      Blank(begin, Cur().end);
      Next();
    }
    return list;
  }

  // state [ '[' n ']' ] = tokens ;   up to the closing brace.
  std::vector<EffectAssignment> Assignments() {
    std::vector<EffectAssignment> list;
    if (!Expect("{")) return list;
    while (ok_ && !Is(Cur(), "}")) {
      EffectAssignment a;
      LineColumn(text_, Cur().begin, &a.line, &a.column);
      if (Cur().kind != Tok::Ident) {
        Fail("expected a state name");
        break;
      }
      a.state = Cur().text;
      Next();
      if (Is(Cur(), "[")) {
        Next();
        if (Cur().kind != Tok::Number) {
          Fail("state index must be a number");
          break;
        }
        a.index = std::atoi(Cur().text.c_str());
        if (a.index < 0 || a.index > 15) {
          Fail("state index out of range");
          break;
        }
        Next();
        if (!Expect("]")) break;
      }
      if (!Expect("=")) break;
      while (ok_ && !Is(Cur(), ";")) {
        if (Cur().kind == Tok::End || Is(Cur(), "}")) {
          Fail("state value not ended by ';'");
          break;
        }
        a.value.push_back(Cur().text);
        Next();
      }
      if (a.value.empty()) Fail("state " + a.state + " has no value");
      Expect(";");
      list.push_back(std::move(a));
    }
    Expect("}");
    return list;
  }

  void Technique() {
    const size_t begin = Cur().begin;
    Next();
    EffectTechnique tech;
    if (Cur().kind == Tok::Ident) {
      tech.name = Cur().text;
      Next();
    }
    tech.annotations = Annotations();
    if (!Expect("{")) return;
    while (ok_ && !Is(Cur(), "}")) {
      if (!IEquals(Cur().text, "pass")) return Fail("expected 'pass'");
      Next();
      EffectPass pass;
      if (Cur().kind == Tok::Ident) {
        pass.name = Cur().text;
        Next();
      }
      pass.annotations = Annotations();
      pass.states = Assignments();
      tech.passes.push_back(std::move(pass));
    }
    if (!ok_) return;
    Blank(begin, Cur().end);
    Next();
    if (Is(Cur(), ";")) Next();
    out_->techniques.push_back(std::move(tech));
  }

  void TopLevel() {
    const Tok& t = Cur();
    if (t.kind == Tok::Ident &&
        (IEquals(t.text, "technique") || IEquals(t.text, "technique9") ||
         IEquals(t.text, "technique10"))) {
      return Technique();
    }
    if (Is(t, ";")) return Next();
    if (Is(t, "struct") || Is(t, "cbuffer")) {
      Next();
      if (Cur().kind == Tok::Ident) Next();
      if (!Is(Cur(), "{")) return Fail("expected '{'");
      SkipGroup("{", "}");
      if (Is(Cur(), ";")) Next();
      return;
    }
    if (Is(t, "typedef")) {
      while (ok_ && !Is(Cur(), ";") && Cur().kind != Tok::End) Next();
      return Next();
    }
    Declaration();
  }

  // [qualifiers] type name ( ...function... ) or a global variable.
  void Declaration() {
    const size_t begin = Cur().begin;
    bool isStatic = false;
    while (Cur().kind == Tok::Ident &&
           (Is(Cur(), "static") || Is(Cur(), "uniform") ||
            Is(Cur(), "extern") || Is(Cur(), "const") || Is(Cur(), "shared") ||
            Is(Cur(), "row_major") || Is(Cur(), "column_major") ||
            Is(Cur(), "inline") || Is(Cur(), "volatile"))) {
      isStatic |= Is(Cur(), "static");
      Next();
    }
    if (Cur().kind != Tok::Ident) return Fail("expected a declaration");
    std::string type = Cur().text;
    Next();
    if (Is(Cur(), "<")) SkipGroup("<", ">");  // vector<float, 4> and such
    if (Cur().kind != Tok::Ident) return Fail("expected a name after " + type);
    std::string name = Cur().text;
    Next();
    if (Is(Cur(), "(")) {
      SkipGroup("(", ")");
      if (Is(Cur(), ":")) {
        Next();
        Next();
      }
      if (Is(Cur(), ";")) return Next();
      if (!Is(Cur(), "{")) return Fail("expected a function body");
      return SkipGroup("{", "}");
    }
    if (Is(Cur(), "[")) SkipGroup("[", "]");
    EffectParameter param;
    param.name = name;
    param.type = type;
    param.kind = ClassOf(type, &param.floatCount);
    if (Is(Cur(), ":")) {
      Next();
      if (Cur().kind != Tok::Ident) return Fail("expected a semantic");
      param.semantic = Cur().text;
      Next();
      if (Is(Cur(), "(")) SkipGroup("(", ")");  // register(c0)
    }
    param.annotations = Annotations();
    if (!ok_) return;
    if (Is(Cur(), "=")) {
      const size_t eq = Cur().begin;
      Next();
      if (Is(Cur(), "sampler_state")) {
        Next();
        EffectSampler sampler;
        sampler.name = name;
        sampler.states = Assignments();
        if (!ok_) return;
        Blank(eq, Cur().begin);
        out_->samplers.push_back(std::move(sampler));
      } else {
        // Initial value: numbers, possibly in braces or a constructor.
        const size_t start = p_;
        int depth = 0;
        while (ok_ && (depth > 0 || !Is(Cur(), ";"))) {
          if (Cur().kind == Tok::End) return Fail("declaration not ended");
          if (Is(Cur(), "{") || Is(Cur(), "(")) ++depth;
          if (Is(Cur(), "}") || Is(Cur(), ")")) --depth;
          if (Cur().kind == Tok::Number) {
            float sign = (p_ > start && Is(t_[p_ - 1], "-")) ? -1.0f : 1.0f;
            param.initial.push_back(sign *
                                    std::strtof(Cur().text.c_str(), nullptr));
          }
          Next();
        }
        (void)eq;
      }
    }
    if (!Expect(";")) return;
    if (param.kind == EffectParamClass::Texture) {
      // Textures exist only for the effect; the compiler never sees them.
      Blank(begin, t_[p_ - 1].end);
    }
    if (isStatic) return;
    out_->parameters.push_back(std::move(param));
  }

  const std::string& text_;
  std::vector<Tok> t_;
  EffectDescription* out_;
  size_t p_ = 0;
  bool ok_ = true;
  std::string error_;
  size_t errorAt_ = 0;
};

}  // namespace

bool ParseEffect(const std::string& text, EffectDescription* effect,
                 std::string* reason) {
  *effect = EffectDescription();
  std::vector<Tok> toks;
  size_t errorAt = 0;
  if (!Tokenizer(text).Run(&toks, &errorAt)) {
    int line, column;
    LineColumn(text, errorAt, &line, &column);
    *reason = "effect line " + std::to_string(line) + ":" +
              std::to_string(column) + ": unterminated comment or string";
    return false;
  }
  return Parser(text, std::move(toks), effect).Run(reason);
}
