// Many random, truncated and mutated texts: the parsers answer each with a tree or a syntax
// error, never with a crash, a hang or another exception.
#include "expression_fuzz.h"

#include <gtest/gtest.h>

namespace {

std::string Shown(const std::string& text) {
  std::string shown;
  for (unsigned char c : text) {
    if (c >= 32 && c < 127) {
      shown += static_cast<char>(c);
    } else {
      shown += "\\x" + std::string(1, "0123456789ABCDEF"[c >> 4]) + "0123456789ABCDEF"[c & 15];
    }
  }
  return shown;
}

// Every prefix of the seed scopes, and random texts.
TEST(ExpressionFuzz, EveryInputIsATreeOrASyntaxError) {
  for (const std::string& seed : fuzz::SeedExpressions()) {
    for (size_t length = 0; length <= seed.size(); ++length) {
      const std::string prefix = seed.substr(0, length);
      ASSERT_EQ(fuzz::CheckInput(prefix), "") << Shown(prefix);
    }
  }
  fuzz::ExpressionInputs inputs(0x5EED1234u);
  for (int i = 0; i < 4000; ++i) {
    const std::string text = inputs.Next();
    ASSERT_EQ(fuzz::CheckInput(text), "") << "input " << i << ": " << Shown(text);
  }
}

}  // namespace
