#include "host/quorvel/json_reader.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>

namespace quorvel {

// ---- JsonValue -------------------------------------------------------------------------------

JsonValue::Kind JsonValue::kind() const { return node_ ? node_->kind : Kind::Null; }

bool JsonValue::boolean() const { return kind() == Kind::Boolean && node_->boolean; }

int64_t JsonValue::integer() const {
  if (kind() == Kind::Float) return static_cast<int64_t>(node_->number);
  return is_number_integer() ? node_->integer : 0;
}

double JsonValue::number() const {
  switch (kind()) {
    case Kind::Integer: return static_cast<double>(node_->integer);
    case Kind::Unsigned: return static_cast<double>(static_cast<uint64_t>(node_->integer));
    case Kind::Float: return node_->number;
    default: return 0;
  }
}

std::string_view JsonValue::string() const {
  return is_string() ? std::string_view(node_->text, node_->length) : std::string_view();
}

std::string_view JsonValue::key() const {
  return node_ ? std::string_view(node_->key, node_->key_length) : std::string_view();
}

size_t JsonValue::size() const { return is_array() || is_object() ? node_->length : 0; }

JsonValue::Iterator& JsonValue::Iterator::operator++() {
  node_ = node_->next ? base_ + node_->next : nullptr;
  return *this;
}

JsonValue::Iterator JsonValue::begin() const {
  return {base_, size() ? base_ + node_->first : nullptr};
}

JsonValue JsonValue::Member(std::string_view name) const {
  JsonValue found;
  if (!is_object()) return found;
  for (JsonValue member : *this) {
    if (member.node_->key_length == name.size() &&
        std::memcmp(member.node_->key, name.data(), name.size()) == 0) {
      found = member;
    }
  }
  return found;
}

JsonValue JsonValue::At(size_t index) const {
  for (JsonValue element : *this) {
    if (index-- == 0) return element;
  }
  return {};
}

bool JsonValue::taken() const { return node_ && node_->taken; }

JsonValue JsonValue::TakeMember(std::string_view name) const {
  JsonValue found;
  if (!is_object() || node_->length == 0) return found;
  const uint32_t tag = KeyTag(name);
  if (!(node_->key_mask & KeyBit(tag))) return found;  // most names asked for are not there
  for (const JsonNode* member = base_ + node_->first;; member = base_ + member->next) {
    if (member->key_tag == tag && member->key_length == name.size() &&
        std::memcmp(member->key, name.data(), name.size()) == 0) {
      member->taken = true;  // a name given twice: the last one counts, none is unknown
      found = JsonValue(base_, member);
    }
    if (!member->next) return found;
  }
}

nlohmann::json JsonValue::ToJson() const {
  switch (kind()) {
    case Kind::Null: return nullptr;
    case Kind::Boolean: return node_->boolean;
    case Kind::Integer: return node_->integer;
    case Kind::Unsigned: return static_cast<uint64_t>(node_->integer);
    case Kind::Float: return node_->number;
    case Kind::String: return std::string(string());
    case Kind::Array: {
      nlohmann::json list = nlohmann::json::array();
      for (JsonValue element : *this) list.push_back(element.ToJson());
      return list;
    }
    case Kind::Object: {
      nlohmann::json object = nlohmann::json::object();
      for (JsonValue member : *this) object[std::string(member.key())] = member.ToJson();
      return object;
    }
  }
  return nullptr;
}

// ---- JsonParser ------------------------------------------------------------------------------

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
}

// The length of the well-formed UTF-8 sequence at `p` that starts with a byte of 0x80 or more
// (overlong forms, surrogates and code points past U+10FFFF are not), or 0.
size_t Utf8SequenceLength(const unsigned char* p, const unsigned char* end) {
  const unsigned char lead = p[0];
  size_t length;
  unsigned char low = 0x80, high = 0xBF;  // the second byte's range
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (static_cast<size_t>(end - p) < length || p[1] < low || p[1] > high) return 0;
  for (size_t i = 2; i < length; ++i) {
    if (p[i] < 0x80 || p[i] > 0xBF) return 0;
  }
  return length;
}

}  // namespace

JsonParser::JsonParser(std::string_view text, int max_depth)
    : begin_(text.data()), p_(text.data()), end_(text.data() + text.size()), max_depth_(max_depth) {
  if (text.size() >= 3 && std::memcmp(p_, "\xEF\xBB\xBF", 3) == 0) p_ += 3;
}

void JsonParser::SkipSpace() {
  while (p_ < end_ && (*p_ == ' ' || *p_ == '\n' || *p_ == '\r' || *p_ == '\t')) ++p_;
}

void JsonParser::Expect(char c) {
  SkipSpace();
  if (p_ == end_ || *p_ != c) Fail();
  ++p_;
}

bool JsonParser::EnterRootObject() {
  SkipSpace();
  if (p_ == end_ || *p_ != '{') return false;
  ++p_;
  first_member_ = true;
  return true;
}

bool JsonParser::NextRootMember(std::string& key) {
  SkipSpace();
  if (p_ == end_) Fail();
  if (*p_ == '}' && first_member_) {
    ++p_;
    return false;
  }
  if (!first_member_) {
    if (*p_ == '}') {
      ++p_;
      return false;
    }
    Expect(',');
    SkipSpace();
  }
  first_member_ = false;
  if (p_ == end_ || *p_ != '"') Fail();
  JsonTree scratch;
  const char* text = nullptr;
  uint32_t length = 0;
  ReadString(scratch, text, length);
  key.assign(text, length);
  Expect(':');
  return true;
}

bool JsonParser::ValueIsArray() {
  SkipSpace();
  return p_ < end_ && *p_ == '[';
}

bool JsonParser::NextElement(bool& first) {
  SkipSpace();
  if (first) {
    Expect('[');
    SkipSpace();
    if (p_ < end_ && *p_ == ']') {
      ++p_;
      return false;
    }
    first = false;
    return true;
  }
  if (p_ < end_ && *p_ == ']') {
    ++p_;
    return false;
  }
  Expect(',');
  return true;
}

void JsonParser::Finish() {
  SkipSpace();
  if (p_ != end_) Fail();
}

uint32_t JsonParser::ReadValue(JsonTree& tree, int depth) {
  SkipSpace();
  if (p_ == end_) Fail();
  const uint32_t index = static_cast<uint32_t>(tree.nodes_.size());
  tree.nodes_.emplace_back();
  const char c = *p_;
  if (c == '{' || c == '[') {
    if (depth > max_depth_) throw JsonSyntaxError{static_cast<size_t>(p_ - begin_), true};
    const bool object = c == '{';
    tree.nodes_[index].kind = object ? JsonValue::Kind::Object : JsonValue::Kind::Array;
    ++p_;
    SkipSpace();
    const char close = object ? '}' : ']';
    if (p_ < end_ && *p_ == close) {
      ++p_;
      return index;
    }
    uint32_t previous = 0, count = 0;
    for (;;) {
      const char* key = nullptr;
      uint32_t key_length = 0;
      if (object) {
        SkipSpace();
        if (p_ == end_ || *p_ != '"') Fail();
        ReadString(tree, key, key_length);
        Expect(':');
      }
      const uint32_t child = ReadValue(tree, depth + 1);
      tree.nodes_[child].key = key;
      tree.nodes_[child].key_length = key_length;
      tree.nodes_[child].key_tag = KeyTag(std::string_view(key ? key : "", key_length));
      tree.nodes_[index].key_mask |= KeyBit(tree.nodes_[child].key_tag);
      if (count++ == 0) {
        tree.nodes_[index].first = child;
      } else {
        tree.nodes_[previous].next = child;
      }
      previous = child;
      SkipSpace();
      if (p_ < end_ && *p_ == close) {
        ++p_;
        break;
      }
      Expect(',');
    }
    tree.nodes_[index].length = count;
    return index;
  }
  JsonNode& node = tree.nodes_[index];
  switch (c) {
    case '"':
      node.kind = JsonValue::Kind::String;
      ReadString(tree, tree.nodes_[index].text, tree.nodes_[index].length);
      break;
    case 't':
      ReadLiteral("true");
      node.kind = JsonValue::Kind::Boolean;
      node.boolean = true;
      break;
    case 'f':
      ReadLiteral("false");
      node.kind = JsonValue::Kind::Boolean;
      node.boolean = false;
      break;
    case 'n': ReadLiteral("null"); break;
    default: ReadNumber(node);
  }
  return index;
}

void JsonParser::ReadLiteral(std::string_view word) {
  if (static_cast<size_t>(end_ - p_) < word.size() ||
      std::memcmp(p_, word.data(), word.size()) != 0) {
    Fail();
  }
  p_ += word.size();
}

// number ::= "-"? ("0" | [1-9][0-9]*) ("." [0-9]+)? ([eE] [+-]? [0-9]+)?
void JsonParser::ReadNumber(JsonNode& node) {
  const char* start = p_;
  const bool negative = p_ < end_ && *p_ == '-';
  if (negative) ++p_;
  if (p_ == end_ || !IsDigit(*p_)) Fail();
  uint64_t magnitude = 0;
  bool overflow = false;
  if (*p_ == '0') {
    ++p_;
  } else {
    for (; p_ < end_ && IsDigit(*p_); ++p_) {
      const uint64_t digit = static_cast<uint64_t>(*p_ - '0');
      if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) overflow = true;
      magnitude = magnitude * 10 + digit;
    }
  }
  bool fraction = false;
  if (p_ < end_ && *p_ == '.') {
    ++p_;
    if (p_ == end_ || !IsDigit(*p_)) Fail();
    while (p_ < end_ && IsDigit(*p_)) ++p_;
    fraction = true;
  }
  if (p_ < end_ && (*p_ == 'e' || *p_ == 'E')) {
    ++p_;
    if (p_ < end_ && (*p_ == '+' || *p_ == '-')) ++p_;
    if (p_ == end_ || !IsDigit(*p_)) Fail();
    while (p_ < end_ && IsDigit(*p_)) ++p_;
    fraction = true;
  }
  constexpr uint64_t kLowestMagnitude = uint64_t{1} << 63;
  if (!fraction && !overflow && (!negative || magnitude <= kLowestMagnitude)) {
    // Written without sign, a whole number is unsigned, as nlohmann-json reads it.
    node.kind = negative ? JsonValue::Kind::Integer : JsonValue::Kind::Unsigned;
    node.integer = negative ? static_cast<int64_t>(0 - magnitude) : static_cast<int64_t>(magnitude);
    return;
  }
  // The same conversion nlohmann-json makes; a number beyond double is an error there too.
  const std::string digits(start, p_);
  node.kind = JsonValue::Kind::Float;
  node.number = std::strtod(digits.c_str(), nullptr);
  if (!std::isfinite(node.number)) {
    p_ = start;
    Fail();
  }
}

void JsonParser::ReadString(JsonTree& tree, const char*& text, uint32_t& length) {
  ++p_;  // the opening quote
  const char* start = p_;
  // Plain text is taken where it stands.
  while (p_ < end_) {
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (c == '"') {
      text = start;
      length = static_cast<uint32_t>(p_ - start);
      ++p_;
      return;
    }
    if (c < 0x20) Fail();
    if (c == '\\') break;
    if (c >= 0x80) {
      const size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(p_),
                                          reinterpret_cast<const unsigned char*>(end_));
      if (n == 0) Fail();
      p_ += n;
      continue;
    }
    ++p_;
  }
  if (p_ == end_) Fail();
  // Escapes: the decoded text goes to the tree.
  std::string& decoded = tree.decoded_.emplace_back(start, p_);
  while (p_ < end_) {
    const unsigned char c = static_cast<unsigned char>(*p_);
    if (c == '"') {
      text = decoded.data();
      length = static_cast<uint32_t>(decoded.size());
      ++p_;
      return;
    }
    if (c < 0x20) Fail();
    if (c >= 0x80) {
      const size_t n = Utf8SequenceLength(reinterpret_cast<const unsigned char*>(p_),
                                          reinterpret_cast<const unsigned char*>(end_));
      if (n == 0) Fail();
      decoded.append(p_, n);
      p_ += n;
      continue;
    }
    if (c != '\\') {
      decoded += static_cast<char>(c);
      ++p_;
      continue;
    }
    if (++p_ == end_) Fail();
    switch (*p_) {
      case '"': decoded += '"'; break;
      case '\\': decoded += '\\'; break;
      case '/': decoded += '/'; break;
      case 'b': decoded += '\b'; break;
      case 'f': decoded += '\f'; break;
      case 'n': decoded += '\n'; break;
      case 'r': decoded += '\r'; break;
      case 't': decoded += '\t'; break;
      case 'u': {
        const auto hex4 = [&]() -> uint32_t {
          uint32_t value = 0;
          for (int i = 0; i < 4; ++i) {
            if (++p_ == end_) Fail();
            const int digit = HexValue(*p_);
            if (digit < 0) Fail();
            value = value << 4 | static_cast<uint32_t>(digit);
          }
          return value;
        };
        uint32_t code = hex4();
        if (code >= 0xDC00 && code <= 0xDFFF) Fail();  // a low surrogate alone
        if (code >= 0xD800 && code <= 0xDBFF) {
          // A high surrogate must be followed by "\u" and a low one.
          if (end_ - p_ < 3 || p_[1] != '\\' || p_[2] != 'u') Fail();
          p_ += 2;
          const uint32_t low = hex4();
          if (low < 0xDC00 || low > 0xDFFF) Fail();
          code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
        }
        AppendUtf8(decoded, code);
        break;
      }
      default: Fail();
    }
    ++p_;
  }
  Fail();
}

}  // namespace quorvel
