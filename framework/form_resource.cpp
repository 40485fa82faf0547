// Reading and writing form descriptions.
#include "framework/form_resource.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <tuple>

#include "framework/graphics.h"
#include "framework/persistence.h"
#include "framework/win/text.h"

namespace framework {

namespace {

// ---- Syntax ---------------------------------------------------------------------------------

enum class TokenKind { Identifier, Integer, Decimal, String, Binary, Symbol, End };

struct Token {
  TokenKind kind = TokenKind::End;
  std::string text;     // identifier, symbol, binary bytes, decimal number as written
  std::wstring string;  // string value
  int64_t integer = 0;
  int line = 1;
};

struct Assignment;

struct Value {
  enum class Kind {
    Integer,
    Decimal,
    Identifier,
    String,
    Set,
    List,
    Binary,
    Items
  } kind = Kind::Integer;
  int64_t integer = 0;
  std::string text;  // identifier, binary bytes or decimal number as written
  std::wstring string;
  std::vector<std::string> set;
  std::vector<std::wstring> list;
  std::vector<std::vector<Assignment>> items;  // of a collection
};

struct Assignment {
  std::string path;
  Value value;
  int line = 0;
};

struct ObjectNode {
  std::string name;
  std::string class_name;
  int line = 0;
  std::vector<Assignment> assignments;
  std::vector<ObjectNode> children;
};

class SyntaxError : public std::exception {
 public:
  SyntaxError(int line, std::string message) : line(line), message(std::move(message)) {}
  int line;
  std::string message;
};

class Lexer {
 public:
  explicit Lexer(const std::string& text) : text_(text) {}

  Token Next() {
    SkipBlanks();
    Token token;
    token.line = line_;
    if (pos_ >= text_.size()) return token;
    const char c = text_[pos_];
    if (isalpha(static_cast<unsigned char>(c)) || c == '_') {
      token.kind = TokenKind::Identifier;
      while (pos_ < text_.size() && (isalnum(Byte()) || text_[pos_] == '_' || text_[pos_] == '.')) {
        token.text += text_[pos_++];
      }
    } else if (isdigit(static_cast<unsigned char>(c)) || c == '-' || c == '$') {
      ReadNumber(token);
    } else if (c == '\'' || c == '#') {
      ReadString(token);
    } else if (c == '{') {
      ReadBinary(token);
    } else if (std::string("=:[](),<>").find(c) != std::string::npos) {
      token.kind = TokenKind::Symbol;
      token.text = std::string(1, c);
      ++pos_;
    } else {
      throw SyntaxError(line_, std::string("unexpected character '") + c + "'");
    }
    return token;
  }

 private:
  unsigned char Byte() const { return static_cast<unsigned char>(text_[pos_]); }

  void SkipBlanks() {
    while (pos_ < text_.size()) {
      if (text_[pos_] == '\n') ++line_;
      if (text_.compare(pos_, 2, "--") == 0) {  // a comment to the end of the line
        while (pos_ < text_.size() && text_[pos_] != '\n') ++pos_;
      } else if (isspace(Byte())) {
        ++pos_;
      } else {
        break;
      }
    }
  }

  void ReadNumber(Token& token) {
    token.kind = TokenKind::Integer;
    const size_t start = pos_;
    const bool negative = text_[pos_] == '-';
    if (negative) ++pos_;
    const bool hex = pos_ < text_.size() && text_[pos_] == '$';
    if (hex) ++pos_;
    const size_t digits = pos_;
    while (pos_ < text_.size() && (hex ? isxdigit(Byte()) : isdigit(Byte()))) ++pos_;
    if (!hex && pos_ > digits && pos_ < text_.size() &&
        (text_[pos_] == '.' || (text_[pos_] | 0x20) == 'e')) {
      ReadDecimal(token, start);
      return;
    }
    if (pos_ == digits || pos_ - digits > (hex ? 8u : 10u)) {
      const size_t shown = pos_ - start + (pos_ == digits && pos_ < text_.size() ? 1 : 0);
      throw SyntaxError(line_, "bad number \"" + text_.substr(start, shown) + "\"");
    }
    const int64_t value = std::stoll(text_.substr(digits, pos_ - digits), nullptr, hex ? 16 : 10);
    token.integer = negative ? -value : value;
  }

  // 1.5, -2.25E-3: kept as written and converted where the property is known, so that a bad
  // number is reported with its object.
  void ReadDecimal(Token& token, size_t start) {
    token.kind = TokenKind::Decimal;
    while (pos_ < text_.size() &&
           (isalnum(Byte()) || text_[pos_] == '.' ||
            ((text_[pos_] == '+' || text_[pos_] == '-') && (text_[pos_ - 1] | 0x20) == 'e'))) {
      ++pos_;
    }
    token.text = text_.substr(start, pos_ - start);
  }

  // 'text' and #code parts, joined: 'Line'#13#10'next'.
  void ReadString(Token& token) {
    token.kind = TokenKind::String;
    std::string quoted;
    auto flush = [&] {
      token.string += win::Widen(quoted);
      quoted.clear();
    };
    while (pos_ < text_.size() && (text_[pos_] == '\'' || text_[pos_] == '#')) {
      if (text_[pos_] == '#') {
        flush();
        ++pos_;
        const size_t start = pos_;
        while (pos_ < text_.size() && isdigit(Byte())) ++pos_;
        if (pos_ == start || pos_ - start > 5) throw SyntaxError(line_, "bad character code");
        const long code = std::stol(text_.substr(start, pos_ - start));
        if (code > 0xFFFF) throw SyntaxError(line_, "bad character code");
        token.string += static_cast<wchar_t>(code);
        continue;
      }
      for (++pos_;; ++pos_) {
        if (pos_ >= text_.size() || text_[pos_] == '\n') {
          throw SyntaxError(line_, "string not closed at the end of the line");
        }
        if (text_[pos_] == '\'') {
          if (pos_ + 1 < text_.size() && text_[pos_ + 1] == '\'') {
            quoted += '\'';
            ++pos_;
            continue;
          }
          ++pos_;
          break;
        }
        quoted += text_[pos_];
      }
    }
    flush();
  }

  void ReadBinary(Token& token) {
    token.kind = TokenKind::Binary;
    ++pos_;
    int nibbles = 0;
    unsigned byte = 0;
    for (;; ++pos_) {
      if (pos_ >= text_.size()) throw SyntaxError(line_, "binary data not closed with '}'");
      const char c = text_[pos_];
      if (c == '}') break;
      if (c == '\n') ++line_;
      if (isspace(static_cast<unsigned char>(c))) continue;
      if (!isxdigit(static_cast<unsigned char>(c))) throw SyntaxError(line_, "bad binary data");
      byte = byte * 16 + (isdigit(static_cast<unsigned char>(c)) ? c - '0' : (c | 0x20) - 'a' + 10);
      if (++nibbles % 2 == 0) {
        token.text += static_cast<char>(byte);
        byte = 0;
      }
    }
    ++pos_;
    if (nibbles % 2) throw SyntaxError(line_, "binary data with an odd number of digits");
  }

  const std::string& text_;
  size_t pos_ = 0;
  int line_ = 1;
};

// Real forms nest a handful of levels; the cap keeps a hostile description from exhausting the
// stack of the parser, the loader and the window creation that all follow the nesting.
constexpr int kMaxObjectNesting = 100;

class Parser {
 public:
  explicit Parser(const std::string& text) : lexer_(text) { Advance(); }

  // description ::= object End
  ObjectNode Parse() {
    ObjectNode root = ParseObject(1);
    if (current_.kind != TokenKind::End)
      throw SyntaxError(current_.line, "text after the last end");
    return root;
  }

 private:
  void Advance() { current_ = lexer_.Next(); }
  bool IsWord(const char* word) const {
    return current_.kind == TokenKind::Identifier && win::SameText(current_.text, word);
  }
  bool IsSymbol(char c) const {
    return current_.kind == TokenKind::Symbol && current_.text[0] == c;
  }
  void ExpectSymbol(char c) {
    if (!IsSymbol(c)) throw SyntaxError(current_.line, std::string("expected '") + c + "'");
    Advance();
  }
  std::string ExpectIdentifier(const char* what) {
    if (current_.kind != TokenKind::Identifier) {
      throw SyntaxError(current_.line, std::string("expected ") + what);
    }
    std::string text = current_.text;
    Advance();
    return text;
  }

  // object ::= "object" NAME ":" CLASS { assignment | object } "end"
  ObjectNode ParseObject(int depth) {
    ObjectNode node;
    node.line = current_.line;
    if (!IsWord("object")) throw SyntaxError(current_.line, "expected \"object\"");
    Advance();
    node.name = ExpectIdentifier("an object name");
    if (depth > kMaxObjectNesting) {
      throw SyntaxError(node.line, "object " + node.name + ": nested " + std::to_string(depth) +
                                       " deep, more than the " + std::to_string(kMaxObjectNesting) +
                                       " levels a form may have");
    }
    ExpectSymbol(':');
    node.class_name = ExpectIdentifier("a class name");
    while (!IsWord("end")) {
      if (current_.kind == TokenKind::End) throw SyntaxError(current_.line, "missing \"end\"");
      if (IsWord("object")) {
        node.children.push_back(ParseObject(depth + 1));
        continue;
      }
      node.assignments.push_back(ParseAssignment());
    }
    Advance();
    return node;
  }

  // assignment ::= PATH "=" value
  Assignment ParseAssignment() {
    Assignment assignment;
    assignment.line = current_.line;
    assignment.path = ExpectIdentifier("a property name");
    ExpectSymbol('=');
    assignment.value = ParseValue();
    return assignment;
  }

  // items ::= "<" { "item" { assignment } "end" } ">"
  Value ParseItems() {
    Value value;
    value.kind = Value::Kind::Items;
    Advance();
    while (!IsSymbol('>')) {
      if (!IsWord("item")) throw SyntaxError(current_.line, "expected \"item\" or '>'");
      Advance();
      std::vector<Assignment> item;
      while (!IsWord("end")) {
        if (current_.kind == TokenKind::End) throw SyntaxError(current_.line, "missing \"end\"");
        item.push_back(ParseAssignment());
      }
      Advance();
      value.items.push_back(std::move(item));
    }
    Advance();
    return value;
  }

  // value ::= INTEGER | DECIMAL | IDENT | STRING | BINARY | "[" [IDENT {"," IDENT}] "]" | "("
  // {STRING} ")"
  Value ParseValue() {
    Value value;
    switch (current_.kind) {
      case TokenKind::Integer: value.integer = current_.integer; break;
      case TokenKind::Decimal:
        value.kind = Value::Kind::Decimal;
        value.text = current_.text;
        break;
      case TokenKind::Identifier:
        value.kind = Value::Kind::Identifier;
        value.text = current_.text;
        break;
      case TokenKind::String:
        value.kind = Value::Kind::String;
        value.string = current_.string;
        break;
      case TokenKind::Binary:
        value.kind = Value::Kind::Binary;
        value.text = current_.text;
        break;
      case TokenKind::Symbol:
        if (IsSymbol('[')) return ParseSet();
        if (IsSymbol('(')) return ParseList();
        if (IsSymbol('<')) return ParseItems();
        [[fallthrough]];
      case TokenKind::End: throw SyntaxError(current_.line, "expected a value");
    }
    Advance();
    return value;
  }

  Value ParseSet() {
    Value value;
    value.kind = Value::Kind::Set;
    Advance();
    if (!IsSymbol(']')) {
      value.set.push_back(ExpectIdentifier("an identifier in the set"));
      while (IsSymbol(',')) {
        Advance();
        value.set.push_back(ExpectIdentifier("an identifier in the set"));
      }
    }
    ExpectSymbol(']');
    return value;
  }

  Value ParseList() {
    Value value;
    value.kind = Value::Kind::List;
    Advance();
    while (current_.kind == TokenKind::String) {
      value.list.push_back(current_.string);
      Advance();
    }
    ExpectSymbol(')');
    return value;
  }

  Lexer lexer_;
  Token current_;
};

// ---- Applying -------------------------------------------------------------------------------

class ApplyError : public std::exception {
 public:
  explicit ApplyError(std::string message) : message(std::move(message)) {}
  std::string message;
};

int IdentifierIndex(const PropInfo& prop, const std::string& identifier) {
  for (size_t i = 0; i < prop.identifiers.size(); ++i) {
    if (win::SameText(prop.identifiers[i], identifier)) return static_cast<int>(i);
  }
  throw ApplyError("\"" + identifier + "\" is not a value of " + prop.name);
}

[[noreturn]] void BadValue(const PropInfo& prop, const char* expected) {
  throw ApplyError("property " + prop.name + " needs " + expected);
}

double DecimalNumber(const PropInfo& prop, const std::string& text) {
  double number = 0;
  const char* end = text.data() + text.size();
  const auto [stop, error] = std::from_chars(text.data(), end, number);
  if (error != std::errc() || stop != end || !std::isfinite(number)) {
    throw ApplyError("property " + prop.name + " needs a number, not \"" + text + "\"");
  }
  return number;
}

TValue Convert(const PropInfo& prop, const Value& value) {
  using Kind = Value::Kind;
  switch (prop.kind) {
    case PropKind::Integer:
      if (value.kind != Kind::Integer) BadValue(prop, "an integer");
      // Taken as it stands, a number outside the type would wrap to another.
      if (value.integer < prop.min_integer || value.integer > prop.max_integer) {
        throw ApplyError(
            "property " + prop.name + " needs an integer from " + std::to_string(prop.min_integer) +
            " to " + std::to_string(prop.max_integer) + ", not " + std::to_string(value.integer));
      }
      return value.integer;
    case PropKind::Float:
      if (value.kind == Kind::Integer) return static_cast<double>(value.integer);
      if (value.kind != Kind::Decimal) BadValue(prop, "a number");
      return DecimalNumber(prop, value.text);
    case PropKind::Boolean:
      if (value.kind == Kind::Identifier && win::SameText(value.text, "True")) return true;
      if (value.kind == Kind::Identifier && win::SameText(value.text, "False")) return false;
      BadValue(prop, "True or False");
    case PropKind::Enumeration:
      if (value.kind != Kind::Identifier) BadValue(prop, "an identifier");
      return int64_t{IdentifierIndex(prop, value.text)};
    case PropKind::Set: {
      if (value.kind != Kind::Set) BadValue(prop, "a set in brackets");
      int64_t bits = 0;
      for (const std::string& identifier : value.set)
        bits |= int64_t{1} << IdentifierIndex(prop, identifier);
      return bits;
    }
    case PropKind::Color: {
      if (value.kind == Kind::Integer) return value.integer;
      TColor color = 0;
      if (value.kind != Kind::Identifier || !StringToColor(value.text, color)) {
        BadValue(prop, "a colour");
      }
      return int64_t{color};
    }
    case PropKind::String:
      if (value.kind != Kind::String) BadValue(prop, "a string");
      return win::Narrow(value.string);
    case PropKind::WideString:
      if (value.kind != Kind::String) BadValue(prop, "a string");
      return value.string;
    case PropKind::Strings: {
      if (value.kind != Kind::List) BadValue(prop, "a list of strings in parentheses");
      std::vector<std::string> lines;
      for (const std::wstring& line : value.list) lines.push_back(win::Narrow(line));
      return lines;
    }
    default: BadValue(prop, "sub-properties");
  }
}

struct Loading {
  TComponent& root;
  std::vector<TComponent*> loaded;
};

void Assign(Loading& loading, TComponent& component, const Assignment& assignment) {
  void* object = nullptr;
  const PropInfo* prop = nullptr;
  try {
    std::tie(object, prop) = ResolveProperty(static_cast<TComponent*>(&component),
                                             component.ClassInfo(), assignment.path);
  } catch (const EPropertyError& e) {
    throw ApplyError(e.what());
  }
  const Value& value = assignment.value;
  if (prop->kind == PropKind::Collection) {
    if (value.kind != Value::Kind::Items) BadValue(*prop, "items in angle brackets");
    prop->clear_items(object);
    for (const std::vector<Assignment>& item_assignments : value.items) {
      void* item = prop->add_item(object);
      for (const Assignment& a : item_assignments) {
        try {
          auto [target, item_prop] = ResolveProperty(item, *prop->sub_info, a.path);
          if (!item_prop->set) BadValue(*item_prop, "a plain value");
          item_prop->set(target, Convert(*item_prop, a.value));
        } catch (const Exception& e) {
          throw ApplyError("property " + prop->name + ": " + e.what());
        }
      }
    }
  } else if (prop->kind == PropKind::Event) {
    if (value.kind != Value::Kind::Identifier) BadValue(*prop, "a handler name");
    const MethodInfo* method = loading.root.ClassInfo().FindMethod(value.text);
    if (!method) {
      throw ApplyError("no handler " + value.text + " in " + loading.root.ClassName());
    }
    try {
      prop->bind(object, method->make(static_cast<TComponent*>(&loading.root)), value.text);
    } catch (const EPropertyError& e) {
      throw ApplyError(e.what());
    }
  } else if (prop->kind == PropKind::Data) {
    if (value.kind != Value::Kind::Binary) BadValue(*prop, "binary data in braces");
    TMemoryStream stream;
    stream.WriteString(value.text);
    stream.SetPosition(0);
    try {
      prop->read_data(object, stream);
    } catch (const Exception& e) {
      throw ApplyError("property " + prop->name + ": " + e.what());
    }
  } else {
    const TValue converted = Convert(*prop, value);
    try {
      prop->set(object, converted);
    } catch (const Exception& e) {
      throw ApplyError("property " + prop->name + ": " + e.what());
    }
  }
}

void ApplyObject(Loading& loading, TComponent& component, const ObjectNode& node,
                 const std::string& form_name) {
  const auto fail = [&](int line, const std::string& message) {
    throw EFormError(form_name + ":" + std::to_string(line) + ": object " + node.name + ": " +
                     message);
  };
  component.BeginLoading();
  loading.loaded.push_back(&component);
  for (const Assignment& assignment : node.assignments) {
    try {
      Assign(loading, component, assignment);
    } catch (const ApplyError& e) {
      fail(assignment.line, e.message);
    }
  }
  for (const ObjectNode& child_node : node.children) {
    TComponent* child = loading.root.FindComponent(child_node.name);
    if (child && !win::SameText(child->ClassName(), child_node.class_name)) {
      throw EFormError(form_name + ":" + std::to_string(child_node.line) + ": object " +
                       child_node.name + ": is a " + child->ClassName() + ", not a " +
                       child_node.class_name);
    }
    if (!child) {
      ComponentFactory create = FindClass(child_node.class_name);
      if (!create) {
        throw EFormError(form_name + ":" + std::to_string(child_node.line) + ": object " +
                         child_node.name + ": unknown class " + child_node.class_name);
      }
      child = create(&loading.root);
      try {
        child->SetName(child_node.name);
      } catch (const Exception& e) {
        delete child;
        throw EFormError(form_name + ":" + std::to_string(child_node.line) + ": object " +
                         child_node.name + ": " + e.what());
      }
    }
    if (auto* parent = dynamic_cast<IStreamableChildren*>(&component)) {
      parent->AdoptStreamedChild(*child);
    }
    ApplyObject(loading, *child, child_node, form_name);
  }
}

// ---- Writing --------------------------------------------------------------------------------

std::string QuoteString(const std::wstring& text) {
  std::string out;
  bool open = false;
  for (wchar_t c : text) {
    if (c >= 32 && c < 127) {
      if (!open) out += '\'';
      open = true;
      out += static_cast<char>(c);
      if (c == '\'') out += '\'';
    } else {
      if (open) out += '\'';
      open = false;
      out += '#' + std::to_string(static_cast<unsigned>(c));
    }
  }
  if (open) out += '\'';
  return out.empty() ? "''" : out;
}

class Writer {
 public:
  explicit Writer(TComponent& root) : root_(root) {}

  std::string Write() {
    WriteObject(root_, 0);
    return out_;
  }

 private:
  void Line(int depth, const std::string& text) {
    out_ += std::string(depth * 2, ' ') + text + "\r\n";
  }

  void WriteProperties(void* object, const TClassInfo& info, const std::string& prefix, int depth) {
    for (const PropInfo* prop : info.Properties()) {
      const std::string path = prefix + prop->name;
      if (prop->kind == PropKind::Object) {
        if (prop->stored && !prop->stored(object)) continue;
        WriteProperties(prop->sub_object(object), *prop->sub_info, path + ".", depth);
        continue;
      }
      if (prop->kind == PropKind::Collection) {
        if (prop->stored && !prop->stored(object)) continue;
        Line(depth, path + " = <");
        for (void* item : prop->items(object)) {
          Line(depth + 1, "item");
          WriteProperties(item, *prop->sub_info, "", depth + 2);
          Line(depth + 1, "end");
        }
        Line(depth, ">");
        continue;
      }
      if (prop->kind == PropKind::Data) {
        TMemoryStream stream;
        prop->write_data(object, stream);
        if (stream.Bytes().empty()) continue;
        std::string hex;
        for (uint8_t byte : stream.Bytes()) {
          char digits[3];
          std::snprintf(digits, sizeof digits, "%02X", byte);
          hex += digits;
        }
        Line(depth, path + " = {");
        for (size_t i = 0; i < hex.size(); i += 64) Line(depth + 1, hex.substr(i, 64));
        Line(depth, "}");
        continue;
      }
      if (!prop->get || (prop->stored && !prop->stored(object))) continue;
      const TValue value = prop->get(object);
      if (prop->default_value && *prop->default_value == value) continue;
      Line(depth, path + " = " + Format(*prop, value));
    }
  }

  static std::string Format(const PropInfo& prop, const TValue& value) {
    switch (prop.kind) {
      case PropKind::Boolean: return std::get<bool>(value) ? "True" : "False";
      case PropKind::Float: {
        // The shortest text that reads back as the same number.
        char text[32];
        const auto written = std::to_chars(text, text + sizeof text, std::get<double>(value));
        return std::string(text, written.ptr);
      }
      case PropKind::Enumeration:
        return prop.identifiers.at(static_cast<size_t>(std::get<int64_t>(value)));
      case PropKind::Set: {
        std::string text;
        for (size_t i = 0; i < prop.identifiers.size(); ++i) {
          if (!(std::get<int64_t>(value) >> i & 1)) continue;
          text += (text.empty() ? "" : ", ") + prop.identifiers[i];
        }
        return "[" + text + "]";
      }
      case PropKind::Color: return ColorToString(static_cast<TColor>(std::get<int64_t>(value)));
      case PropKind::String: return QuoteString(win::Widen(std::get<std::string>(value)));
      case PropKind::WideString: return QuoteString(std::get<std::wstring>(value));
      case PropKind::Event: return std::get<std::string>(value);
      case PropKind::Strings: {
        std::string text = "(";
        for (const std::string& line : std::get<std::vector<std::string>>(value)) {
          text += (text.size() > 1 ? " " : "") + QuoteString(win::Widen(line));
        }
        return text + ")";
      }
      default: return std::to_string(std::get<int64_t>(value));
    }
  }

  void WriteObject(TComponent& component, int depth) {
    written_.push_back(&component);
    Line(depth, "object " + component.Name() + ": " + component.ClassName());
    WriteProperties(static_cast<TComponent*>(&component), component.ClassInfo(), "", depth + 1);
    if (auto* parent = dynamic_cast<IStreamableChildren*>(&component)) {
      for (TComponent* child : parent->StreamedChildren(root_)) WriteObject(*child, depth + 1);
    }
    if (&component == &root_) {
      // Components without a place among the controls (timers, menus) belong to the root.
      for (TComponent* owned : root_.Components()) {
        if (std::find(written_.begin(), written_.end(), owned) == written_.end()) {
          WriteObject(*owned, depth + 1);
        }
      }
    }
    Line(depth, "end");
  }

  TComponent& root_;
  std::string out_;
  std::vector<TComponent*> written_;
};

}  // namespace

void ReadComponentText(TComponent& root, const std::string& text, const std::string& form_name) {
  ObjectNode tree;
  try {
    tree = Parser(text).Parse();
  } catch (const SyntaxError& e) {
    throw EFormError(form_name + ":" + std::to_string(e.line) + ": " + e.message);
  }
  if (!win::SameText(tree.class_name, root.ClassName())) {
    throw EFormError(form_name + ":" + std::to_string(tree.line) + ": object " + tree.name +
                     ": describes a " + tree.class_name + ", not a " + root.ClassName());
  }
  try {
    root.SetName(tree.name);
  } catch (const Exception& e) {
    throw EFormError(form_name + ":" + std::to_string(tree.line) + ": " + e.what());
  }
  Loading loading{root, {}};
  ApplyObject(loading, root, tree, form_name);
  // Children first, the root last: a form's Loaded sees its controls complete.
  for (auto it = loading.loaded.begin() + 1; it != loading.loaded.end(); ++it) (*it)->Loaded();
  root.Loaded();
}

void ReadComponentResource(TComponent& root, HMODULE module, const std::string& resource_name) {
  std::string text;
  try {
    TResourceStream stream(module, win::Widen(resource_name), L"FORMTEXT");
    text = stream.ReadRest();
  } catch (const EResNotFound&) {
    throw EFormError("Form description " + resource_name + " not found");
  }
  ReadComponentText(root, text, resource_name);
}

std::string WriteComponentText(TComponent& root) { return Writer(root).Write(); }

namespace {

BOOL CALLBACK CollectName(HMODULE, LPCWSTR, LPWSTR name, LONG_PTR names) noexcept {
  try {
    // Resources named by number have no text name; forms are always named.
    if (!IS_INTRESOURCE(name)) {
      reinterpret_cast<std::vector<std::string>*>(names)->push_back(win::Narrow(name));
    }
    return TRUE;
  } catch (...) {
    return FALSE;
  }
}

}  // namespace

std::vector<std::string> FormResourceNames(HMODULE module) {
  std::vector<std::string> names;
  EnumResourceNamesW(module, L"FORMTEXT", CollectName, reinterpret_cast<LONG_PTR>(&names));
  return names;
}

std::string DescribedClass(HMODULE module, const std::string& resource_name) {
  TResourceStream stream(module, win::Widen(resource_name), L"FORMTEXT");
  try {
    return Parser(stream.ReadRest()).Parse().class_name;
  } catch (const SyntaxError& e) {
    throw EFormError(resource_name + ":" + std::to_string(e.line) + ": " + e.message);
  }
}

}  // namespace framework
