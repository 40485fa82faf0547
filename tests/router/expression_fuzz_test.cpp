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

TEST(ExpressionFuzz, EveryPrefixOfAScopeIsATreeOrASyntaxError) {
  for (const std::string& seed : fuzz::SeedExpressions()) {
    EXPECT_EQ(fuzz::CheckInput(seed), "") << seed;
    for (size_t length = 0; length < seed.size(); ++length) {
      const std::string prefix = seed.substr(0, length);
      const std::string failure = fuzz::CheckInput(prefix);
      ASSERT_EQ(failure, "") << Shown(prefix);
    }
  }
}

TEST(ExpressionFuzz, RandomTextsAreTreesOrSyntaxErrors) {
  fuzz::ExpressionInputs inputs(0x5EED1234u);
  for (int i = 0; i < 4000; ++i) {
    const std::string text = inputs.Next();
    const std::string failure = fuzz::CheckInput(text);
    ASSERT_EQ(failure, "") << "input " << i << ": " << Shown(text);
  }
}

}  // namespace
