// A fast reader of JSON text for the board files. Values land in a compact tree of nodes that
// points into the text, and the elements of a file's long lists can be taken one at a time into
// a tree that is emptied for the next, so a board of 400,000 objects is read without a heap
// block per value. It accepts exactly the JSON that nlohmann-json accepts (strict UTF-8, no
// comments, one value), and reads numbers as it does.
#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

namespace quorvel {

struct JsonNode;

// One value of a JsonTree, valid while the tree keeps it. A member that is not there reads as
// an empty JsonValue, which tests false.
class JsonValue {
 public:
  enum class Kind : uint8_t { Null, Boolean, Integer, Unsigned, Float, String, Array, Object };

  JsonValue() = default;
  JsonValue(const JsonNode* base, const JsonNode* node) : base_(base), node_(node) {}
  explicit operator bool() const { return node_ != nullptr; }

  Kind kind() const;
  bool is_null() const { return kind() == Kind::Null; }
  bool is_boolean() const { return kind() == Kind::Boolean; }
  bool is_number_integer() const { return kind() == Kind::Integer || kind() == Kind::Unsigned; }
  bool is_number() const { return is_number_integer() || kind() == Kind::Float; }
  bool is_string() const { return kind() == Kind::String; }
  bool is_array() const { return kind() == Kind::Array; }
  bool is_object() const { return kind() == Kind::Object; }

  bool boolean() const;
  int64_t integer() const;  // an unsigned value beyond int64 wraps, as nlohmann-json's does
  double number() const;
  std::string_view string() const;
  std::string_view key() const;  // of an object's member
  size_t size() const;           // elements or members

  // The last member of that name (later ones replace earlier ones, as in nlohmann-json).
  JsonValue Member(std::string_view key) const;
  JsonValue At(size_t index) const;  // walks the elements: for short lists

  // Elements or members in the order of the text.
  class Iterator {
   public:
    Iterator(const JsonNode* base, const JsonNode* node) : base_(base), node_(node) {}
    JsonValue operator*() const { return {base_, node_}; }
    Iterator& operator++();
    bool operator!=(const Iterator& other) const { return node_ != other.node_; }

   private:
    const JsonNode* base_;
    const JsonNode* node_;
  };
  Iterator begin() const;
  Iterator end() const { return {base_, nullptr}; }

  // Like Member, and marks every member of that name as taken by a reader.
  JsonValue TakeMember(std::string_view key) const;
  bool taken() const;

  nlohmann::json ToJson() const;

 private:
  const JsonNode* base_ = nullptr;
  const JsonNode* node_ = nullptr;
};

struct JsonNode {
  JsonValue::Kind kind = JsonValue::Kind::Null;
  mutable bool taken = false;
  uint32_t key_length = 0;
  uint32_t key_tag = 0;   // length and first and last byte of the key: most names differ in it
  uint32_t length = 0;    // of a string; elements or members of a list
  uint32_t next = 0;      // the next element or member; 0 (the root) for none
  uint64_t key_mask = 0;  // of an object: a bit for each member's key tag (KeyBit)
  const char* key = nullptr;
  union {
    bool boolean;
    int64_t integer;
    double number;
    const char* text;
    uint32_t first;  // the first element or member
  };
  JsonNode() : integer(0) {}
};

inline uint32_t KeyTag(std::string_view key) {
  return key.empty() ? 0
                     : static_cast<uint32_t>(key.size() & 0xFFFF) |
                           static_cast<uint32_t>(static_cast<unsigned char>(key.front())) << 16 |
                           static_cast<uint32_t>(static_cast<unsigned char>(key.back())) << 24;
}

// One of 64 bits for a key tag: a name whose bit an object lacks is not among its members.
inline uint64_t KeyBit(uint32_t tag) { return uint64_t{1} << ((tag * 2654435761u) >> 26); }

// The nodes of parsed values and the texts of strings with escapes.
class JsonTree {
 public:
  void Clear() {
    nodes_.clear();
    decoded_.clear();
  }
  // Valid until the tree grows or is cleared.
  JsonValue Value(uint32_t index) const { return {nodes_.data(), &nodes_[index]}; }

 private:
  friend class JsonParser;
  std::vector<JsonNode> nodes_;
  std::deque<std::string> decoded_;
};

// Text that is not JSON, or nested too deep; `offset` is where the reader stopped.
struct JsonSyntaxError {
  size_t offset;
  bool too_deep;
};

// Reads a JSON text value by value; the root object's members can be walked one by one and a
// list's elements taken one at a time. Throws JsonSyntaxError.
class JsonParser {
 public:
  JsonParser(std::string_view text, int max_depth);

  // Enters the root value when it is an object; otherwise reads nothing.
  bool EnterRootObject();
  // The next member's name of the entered root object; false after its last member.
  bool NextRootMember(std::string& key);
  bool ValueIsArray();
  // The next element of the list that is the current member's value; false after its last.
  bool NextElement(bool& first);
  // Reads the value at the reader's place into `tree`; answers its index there.
  uint32_t ReadValue(JsonTree& tree, int depth);
  // Everything after the root value must be white space.
  void Finish();

  static constexpr int kRootDepth = 1;  // the root value's own level

 private:
  void SkipSpace();
  [[noreturn]] void Fail() const { throw JsonSyntaxError{static_cast<size_t>(p_ - begin_), false}; }
  void Expect(char c);
  void ReadString(JsonTree& tree, const char*& text, uint32_t& length);
  void ReadNumber(JsonNode& node);
  void ReadLiteral(std::string_view word);

  const char* begin_;
  const char* p_;
  const char* end_;
  int max_depth_;
  bool first_member_ = true;
};

}  // namespace quorvel
