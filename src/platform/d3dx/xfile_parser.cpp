// Tokenises the text and binary bodies into one token stream and builds the
// object tree from it. Templates are skipped; every object is kept with its
// values so that unknown templates cost nothing but memory.
#include <cctype>
#include <charconv>
#include <cstring>
#include <map>

#include "platform/d3dx/d3dx9core.h"
#include "platform/d3dx/xfile_tree.h"

namespace {

// Limits on what a file may ask of the parser; beyond them it is malformed.
constexpr int kMaxDepth = 64;
constexpr size_t kMaxNameLength = 1024;
constexpr size_t kMaxStringLength = 65536;

enum class Tok {
  End,
  Name,
  String,
  Integer,
  Float,
  Guid,
  OBrace,
  CBrace,
  Comma,
  Semicolon,
  Template,
  Other,  // punctuation and keywords that only templates use
  Error,
};

struct Token {
  Tok kind = Tok::End;
  size_t offset = 0;
  std::string text;  // names and strings
  double number = 0;
  bool fromList = false;  // binary list element: separators are implicit
  bool listEnd = false;   // last element of a binary list
};

class Lexer {
 public:
  Lexer(const XTree& tree) : tree_(tree) {}
  virtual ~Lexer() = default;
  virtual Token Next() = 0;
  const std::string& error() const { return error_; }
  size_t errorOffset() const { return errorOffset_; }

 protected:
  Token Fail(size_t offset, const std::string& message) {
    error_ = message;
    errorOffset_ = offset;
    Token t;
    t.kind = Tok::Error;
    t.offset = offset;
    return t;
  }
  const XTree& tree_;
  std::string error_;
  size_t errorOffset_ = 0;
};

bool IsNameChar(int c) { return std::isalnum(c) || c == '_' || c == '-'; }

class TextLexer final : public Lexer {
 public:
  using Lexer::Lexer;

  Token Next() override {
    const uint8_t* s = tree_.body;
    const size_t n = tree_.bodySize;
    // Whitespace (NUL included) and comments.
    for (;;) {
      while (pos_ < n && (std::isspace(s[pos_]) || s[pos_] == 0)) ++pos_;
      if (pos_ < n && (s[pos_] == '#' || (s[pos_] == '/' && pos_ + 1 < n &&
                                          s[pos_ + 1] == '/'))) {
        while (pos_ < n && s[pos_] != '\n') ++pos_;
        continue;
      }
      break;
    }
    Token t;
    t.offset = pos_;
    if (pos_ >= n) return t;
    const char c = static_cast<char>(s[pos_]);
    switch (c) {
      case '{':
        ++pos_;
        t.kind = Tok::OBrace;
        return t;
      case '}':
        ++pos_;
        t.kind = Tok::CBrace;
        return t;
      case ',':
        ++pos_;
        t.kind = Tok::Comma;
        return t;
      case ';':
        ++pos_;
        t.kind = Tok::Semicolon;
        return t;
      case '[':
      case ']':
      case '(':
      case ')':
      case '>':
      case '.':
        ++pos_;
        t.kind = Tok::Other;
        return t;
      case '"': {
        const size_t start = ++pos_;
        while (pos_ < n && s[pos_] != '"') ++pos_;
        if (pos_ >= n) return Fail(t.offset, "string has no closing quote");
        if (pos_ - start > kMaxStringLength)
          return Fail(t.offset, "string too long");
        t.kind = Tok::String;
        t.text.assign(reinterpret_cast<const char*>(s + start), pos_ - start);
        ++pos_;
        return t;
      }
      case '<': {
        // <XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX>, spaces tolerated inside.
        size_t p = pos_ + 1;
        int digits = 0;
        while (p < n && s[p] != '>' && p - pos_ < 64) {
          if (std::isxdigit(s[p])) {
            ++digits;
          } else if (s[p] != '-' && !std::isspace(s[p])) {
            break;
          }
          ++p;
        }
        if (p >= n || s[p] != '>' || digits != 32)
          return Fail(t.offset, "malformed GUID");
        pos_ = p + 1;
        t.kind = Tok::Guid;
        return t;
      }
      default:
        break;
    }
    if (std::isdigit(c) || c == '-' || c == '+') {
      if (c != '-' ||
          (pos_ + 1 < n && (std::isdigit(s[pos_ + 1]) || s[pos_ + 1] == '.'))) {
        Token number = LexNumber(t);
        if (number.kind != Tok::Name) return number;
        t = Token();
        t.offset = number.offset;
      }
    }
    if (IsNameChar(static_cast<uint8_t>(c))) {
      const size_t start = pos_;
      while (pos_ < n && IsNameChar(s[pos_])) ++pos_;
      if (pos_ - start > kMaxNameLength) return Fail(start, "name too long");
      t.kind = Tok::Name;
      t.text.assign(reinterpret_cast<const char*>(s + start), pos_ - start);
      if (t.text.size() == 8 && strncasecmp(t.text.c_str(), "template", 8) == 0)
        t.kind = Tok::Template;
      return t;
    }
    return Fail(t.offset, std::string("unexpected character '") + c + "'");
  }

 private:
  // Digits with an optional sign, point and exponent. A run that goes on
  // into letters is a name that starts with a digit, and is lexed again as
  // one.
  Token LexNumber(Token t) {
    const uint8_t* s = tree_.body;
    const size_t n = tree_.bodySize;
    size_t p = pos_;
    bool integer = true;
    if (s[p] == '-' || s[p] == '+') {
      integer = false;  // a sign makes it a float, as exporters expect
      ++p;
    }
    size_t digits = 0;
    while (p < n && std::isdigit(s[p])) ++p, ++digits;
    if (p < n && s[p] == '.') {
      integer = false;
      ++p;
      while (p < n && std::isdigit(s[p])) ++p, ++digits;
    }
    if (digits && p < n && (s[p] == 'e' || s[p] == 'E')) {
      size_t q = p + 1;
      if (q < n && (s[q] == '-' || s[q] == '+')) ++q;
      if (q < n && std::isdigit(s[q])) {
        integer = false;
        p = q;
        while (p < n && std::isdigit(s[p])) ++p;
      }
    }
    if (p < n && (std::isalpha(s[p]) || s[p] == '_')) {
      t.kind = Tok::Name;
      return t;
    }
    if (!digits) return Fail(t.offset, "malformed number");
    size_t begin = pos_;
    if (s[begin] == '+') ++begin;
    double value = 0;
    const char* first = reinterpret_cast<const char*>(s + begin);
    const char* last = reinterpret_cast<const char*>(s + p);
    auto [end, ec] = std::from_chars(first, last, value);
    if (ec == std::errc::result_out_of_range) {
      value = 0;  // absurd magnitudes read as zero; counts then fail later
    } else if (ec != std::errc() || end != last) {
      return Fail(t.offset, "malformed number");
    }
    pos_ = p;
    t.kind = integer ? Tok::Integer : Tok::Float;
    t.number = value;
    return t;
  }

  size_t pos_ = 0;
};

class BinaryLexer final : public Lexer {
 public:
  using Lexer::Lexer;

  Token Next() override {
    const uint8_t* s = tree_.body;
    const size_t n = tree_.bodySize;
    Token t;
    if (listLeft_) {
      t.offset = pos_;
      t.fromList = true;
      if (listFloat_) {
        if (tree_.doubles) {
          double d;
          std::memcpy(&d, s + pos_, 8);
          pos_ += 8;
          t.number = d;
        } else {
          float f;
          std::memcpy(&f, s + pos_, 4);
          pos_ += 4;
          t.number = f;
        }
        t.kind = Tok::Float;
      } else {
        t.number = ReadU32(pos_);
        pos_ += 4;
        t.kind = Tok::Integer;
      }
      t.listEnd = --listLeft_ == 0;
      return t;
    }
    // A single stray byte at the end is tolerated.
    if (n - pos_ < 2) {
      pos_ = n;
      t.offset = n;
      return t;
    }
    t.offset = pos_;
    const uint16_t id = uint16_t(s[pos_] | (s[pos_ + 1] << 8));
    pos_ += 2;
    switch (id) {
      case 1:    // NAME
      case 2: {  // STRING
        if (n - pos_ < 4) return Fail(t.offset, "name length cut short");
        const uint32_t len = ReadU32(pos_);
        pos_ += 4;
        if (len > n - pos_) return Fail(t.offset, "name longer than the data");
        if (len > (id == 1 ? kMaxNameLength : kMaxStringLength))
          return Fail(t.offset, "name too long");
        t.text.assign(reinterpret_cast<const char*>(s + pos_), len);
        pos_ += len;
        t.kind = id == 1 ? Tok::Name : Tok::String;
        return t;
      }
      case 3:  // INTEGER
        if (n - pos_ < 4) return Fail(t.offset, "integer cut short");
        t.number = ReadU32(pos_);
        pos_ += 4;
        t.kind = Tok::Integer;
        return t;
      case 5:  // GUID
        if (n - pos_ < 16) return Fail(t.offset, "GUID cut short");
        pos_ += 16;
        t.kind = Tok::Guid;
        return t;
      case 6:    // INTEGER_LIST
      case 7: {  // FLOAT_LIST
        if (n - pos_ < 4) return Fail(t.offset, "list count cut short");
        const uint64_t count = ReadU32(pos_);
        pos_ += 4;
        const uint64_t elem = id == 6 ? 4 : (tree_.doubles ? 8 : 4);
        if (count * elem > n - pos_)
          return Fail(t.offset, "list longer than the data");
        if (count == 0) return Next();
        listLeft_ = static_cast<size_t>(count);
        listFloat_ = id == 7;
        return Next();
      }
      case 10:
        t.kind = Tok::OBrace;
        return t;
      case 11:
        t.kind = Tok::CBrace;
        return t;
      case 19:
        t.kind = Tok::Comma;
        return t;
      case 20:
        t.kind = Tok::Semicolon;
        return t;
      case 31:
        t.kind = Tok::Template;
        return t;
      default:
        if ((id >= 12 && id <= 18) || (id >= 40 && id <= 52)) {
          t.kind = Tok::Other;
          return t;
        }
        return Fail(t.offset, "unknown token " + std::to_string(id));
    }
  }

 private:
  uint32_t ReadU32(size_t p) const {
    const uint8_t* s = tree_.body + p;
    return uint32_t(s[0]) | (uint32_t(s[1]) << 8) | (uint32_t(s[2]) << 16) |
           (uint32_t(s[3]) << 24);
  }
  size_t pos_ = 0;
  size_t listLeft_ = 0;
  bool listFloat_ = false;
};

class Parser {
 public:
  Parser(XTree* tree, Lexer* lexer) : tree_(tree), lexer_(lexer) {}

  HRESULT Run(std::string* reason) {
    Advance();
    while (ok_ && tok_.kind != Tok::End) {
      if (tok_.kind == Tok::Template) {
        SkipTemplate();
      } else if (tok_.kind == Tok::Name) {
        auto object = ParseObject(0);
        if (object) tree_->objects.push_back(std::move(object));
      } else {
        Error(tok_.offset, "expected a template or a data object");
      }
    }
    if (!ok_) {
      *reason = tree_->Where(errorOffset_) + ": " + error_;
      return D3DXFERR_PARSEERROR;
    }
    return S_OK;
  }

 private:
  void Advance() {
    if (!ok_) return;
    tok_ = lexer_->Next();
    if (tok_.kind == Tok::Error) Error(lexer_->errorOffset(), lexer_->error());
  }

  void Error(size_t offset, const std::string& message) {
    if (!ok_) return;
    ok_ = false;
    error_ = message;
    errorOffset_ = offset;
    tok_.kind = Tok::End;
  }

  // template NAME { ... } with nested brackets; only skipped.
  void SkipTemplate() {
    const size_t start = tok_.offset;
    Advance();
    if (tok_.kind != Tok::Name)
      return Error(tok_.offset, "template has no name");
    Advance();
    if (tok_.kind != Tok::OBrace) return Error(tok_.offset, "expected '{'");
    int depth = 0;
    while (ok_) {
      if (tok_.kind == Tok::OBrace) {
        if (++depth > kMaxDepth) return Error(tok_.offset, "nested too deeply");
      } else if (tok_.kind == Tok::CBrace) {
        if (--depth == 0) {
          Advance();
          return;
        }
      } else if (tok_.kind == Tok::End) {
        return Error(start, "template not closed");
      }
      Advance();
    }
  }

  std::unique_ptr<XObject> ParseObject(int depth) {
    if (depth > kMaxDepth) {
      Error(tok_.offset, "objects nested too deeply");
      return nullptr;
    }
    auto object = std::make_unique<XObject>();
    object->type = tok_.text;
    object->offset = tok_.offset;
    Advance();
    if (tok_.kind == Tok::Name) {
      object->name = tok_.text;
      Advance();
    }
    if (tok_.kind != Tok::OBrace) {
      Error(tok_.offset, "expected '{' after " + object->type);
      return nullptr;
    }
    Advance();
    if (tok_.kind == Tok::Guid) Advance();
    // Data values, each followed by its separators.
    while (ok_ && (tok_.kind == Tok::Integer || tok_.kind == Tok::Float ||
                   tok_.kind == Tok::String)) {
      XValue value;
      value.number = tok_.number;
      value.integer = tok_.kind == Tok::Integer;
      if (tok_.kind == Tok::String) {
        value.string = static_cast<int>(object->strings.size());
        object->strings.push_back(std::move(tok_.text));
      }
      object->values.push_back(value);
      const bool fromList = tok_.fromList, listEnd = tok_.listEnd;
      const size_t valueOffset = tok_.offset;
      Advance();
      if (fromList) {
        if (listEnd && (tok_.kind == Tok::Comma || tok_.kind == Tok::Semicolon))
          Error(tok_.offset, "separator after a list");
        continue;
      }
      // After a value: a single ',', or one or more ';' then maybe one ','.
      if (tok_.kind == Tok::Comma) {
        Advance();
      } else if (tok_.kind == Tok::Semicolon) {
        while (ok_ && tok_.kind == Tok::Semicolon) Advance();
        if (tok_.kind == Tok::Comma) Advance();
      } else if (tok_.kind != Tok::CBrace) {
        Error(valueOffset, "expected ';' or ',' after a value");
      }
      if (tok_.kind == Tok::Comma || tok_.kind == Tok::Semicolon)
        Error(tok_.offset, "misplaced separator");
    }
    // Children and references.
    while (ok_) {
      if (tok_.kind == Tok::CBrace) {
        Advance();
        if (!object->name.empty()) named_[object->name] = object.get();
        return object;
      }
      if (tok_.kind == Tok::Name) {
        auto child = ParseObject(depth + 1);
        if (!child) return nullptr;
        object->children.push_back(child.get());
        object->owned.push_back(std::move(child));
      } else if (tok_.kind == Tok::OBrace) {
        const size_t at = tok_.offset;
        Advance();
        std::string target;
        if (tok_.kind == Tok::Name) {
          target = tok_.text;
          Advance();
        }
        if (tok_.kind == Tok::Guid) Advance();
        if (tok_.kind != Tok::CBrace) {
          Error(tok_.offset, "expected '}' to close the reference");
          return nullptr;
        }
        Advance();
        if (!target.empty()) {
          auto found = named_.find(target);
          if (found == named_.end()) {
            Error(at, "reference to unknown object '" + target + "'");
            return nullptr;
          }
          object->children.push_back(found->second);
        }
      } else if (tok_.kind == Tok::End) {
        Error(object->offset, object->type + " not closed");
        return nullptr;
      } else {
        Error(tok_.offset, "unexpected token in " + object->type);
        return nullptr;
      }
    }
    return nullptr;
  }

  XTree* tree_;
  Lexer* lexer_;
  Token tok_;
  bool ok_ = true;
  std::string error_;
  size_t errorOffset_ = 0;
  // Completed named objects: references only reach back, never into an
  // object still open, so the graph has no cycles.
  std::map<std::string, const XObject*> named_;
};

}  // namespace

std::string XTree::Where(size_t offset) const {
  if (!text) {
    if (inflated) return "inflated byte " + std::to_string(offset);
    return "byte " + std::to_string(offset + bodyBase);
  }
  // Header line counts as line 1 when the body follows it directly.
  size_t line = 1, column = 1 + (inflated ? 0 : bodyBase);
  for (size_t i = 0; i < offset && i < bodySize; ++i) {
    if (body[i] == '\n') {
      ++line;
      column = 1;
    } else {
      ++column;
    }
  }
  return "line " + std::to_string(line) + ":" + std::to_string(column);
}

HRESULT ParseXBody(XTree* tree, std::string* reason) {
  if (tree->text) {
    TextLexer lexer(*tree);
    return Parser(tree, &lexer).Run(reason);
  }
  BinaryLexer lexer(*tree);
  return Parser(tree, &lexer).Run(reason);
}
