// The library's text, number and list routines.
#include "crashreport/drosk_strings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "crashreport/drosk_crypt.h"

namespace drosk {
namespace {

TEST(DroskStrings, SearchesForwardsBackwardsAndWithinBounds) {
  const std::string text = "abcABCabc";
  EXPECT_EQ(PosStr("abc", text), 1);
  EXPECT_EQ(PosStr("abc", "abc"), 1);
  EXPECT_EQ(PosStr("abc", text, 7, 9), 7) << "a range exactly as long as the text sought";
  EXPECT_EQ(PosStr("abc", text, 2), 7);
  EXPECT_EQ(PosStr("abc", text, 2, 8), 0) << "the match must end inside the range";
  EXPECT_EQ(PosStr("abc", text, 2, 9), 7);
  EXPECT_EQ(PosStr("abc", text, 9, 1), 7) << "backwards finds the last occurrence";
  EXPECT_EQ(PosStr("abc", text, 6, 1), 1);
  EXPECT_EQ(PosStr("abc", text, 6, 2), 0);
  EXPECT_EQ(PosStr("abc", text, 0), 0);
  EXPECT_EQ(PosStr("abc", text, 1, 0), 0);
  EXPECT_EQ(PosStr("", text), 0);
  EXPECT_EQ(PosStr("abcd", "abc"), 0);
  EXPECT_EQ(PosText("ABC", "xxabc"), 3);
  EXPECT_EQ(PosText("\xE4", "x\xC4"), 2) << "a-umlaut through the table";
  EXPECT_EQ(PosText("abc", text, 9, 1), 7);
  EXPECT_EQ(PosText("abc", text, 5, 1), 4);
  EXPECT_EQ(PosChars(CharSet(",;"), "a,b;c"), 2);
  EXPECT_EQ(PosChars(CharSet(",;"), "a,b;c", 5, 1), 4);
  EXPECT_EQ(PosChars(CharSet(",;"), "a,b;c", 3, 3), 0);
  EXPECT_TRUE(StartsText("", "x"));
  EXPECT_TRUE(StartsText("dROSK", "Drosk tools"));
  EXPECT_TRUE(StartsText("DROSK", "drosk"));
  EXPECT_FALSE(StartsText("drosk tools!", "Drosk tools"));
}

TEST(DroskStrings, ReplacesWithAndWithoutRescan) {
  std::string text = "a    b";
  EXPECT_TRUE(ReplaceStr(text, "  ", " "));
  EXPECT_EQ(text, "a  b");
  text = "a    b";
  EXPECT_TRUE(ReplaceStr(text, "  ", " ", true));
  EXPECT_EQ(text, "a b");
  text = "aXa";
  EXPECT_TRUE(ReplaceStr(text, "a", "aa", true)) << "a replacement that holds its own pattern";
  EXPECT_EQ(text, "aaXaa");
  text = "Tab tab TAB";
  EXPECT_FALSE(ReplaceStr(text, "tAb", "x"));
  EXPECT_TRUE(ReplaceText(text, "tAb", "x"));
  EXPECT_EQ(text, "x x x");
  EXPECT_FALSE(ReplaceStr(text, "", "y"));
}

TEST(DroskStrings, TrimsKillsAndCuts) {
  std::string text = std::string("\0\t abc \x20\x1f", 9);
  Trim(text);
  EXPECT_EQ(text, "abc");
  EXPECT_EQ(TrimStr(" \x21 "), "\x21");
  text = "a-b_c-";
  EXPECT_TRUE(KillChars(text, CharSet("-_")));
  EXPECT_EQ(text, "abc");
  EXPECT_FALSE(KillChars(text, CharSet("-")));
  EXPECT_EQ(RetDelete("abcdef", 2, 3), "aef");
  EXPECT_EQ(RetDelete("abcdef", 5, 10), "abcd");
  text = "abcdef";
  Keep(text, 2, 3);
  EXPECT_EQ(text, "bcd");
  EXPECT_EQ(RightStr("abcdef", 2), "ef");
  EXPECT_EQ(RightStr("ab", 5), "ab");
}

TEST(DroskStrings, UpperCasesThroughTheTables) {
  EXPECT_EQ(UpChar('q'), 'Q');
  EXPECT_EQ(UpChar('\xE9'), '\xC9');
  EXPECT_EQ(UpChar('\xF7'), '\xF7') << "the division sign is no letter";
  EXPECT_EQ(UpChar('\xFF'), '\x9F');
  EXPECT_EQ(UpStr("a\xE4\xF6\xFC\xE9z{"), "A\xC4\xD6\xDC\xE9Z{") << "only a-z and three umlauts";
  EXPECT_TRUE(SameText("Report \xE9t\xE9", "REPORT \xC9T\xC9"));
  EXPECT_LT(CompareText("abc", "ABD"), 0);
  EXPECT_GT(CompareText("abcd", "ABC"), 0);
  EXPECT_EQ(CompareText("", ""), 0);
}

TEST(DroskStrings, FormatsNumbersWithPaddingAndTheDollarForm) {
  EXPECT_EQ(IntToStrEx(-5, 4, '0'), "-005");
  EXPECT_EQ(IntToStrEx(-5, -4, ' '), "-5  ");
  EXPECT_EQ(IntToStrEx(-5, 4, ' '), "  -5");
  EXPECT_EQ(IntToStrEx(42, 1, '0'), "42");
  EXPECT_EQ(IntToStrEx(uint32_t{4000000000u}, 12, '0'), "004000000000");
  EXPECT_EQ(IntToStrEx(int64_t{-9000000000}), "-9000000000");
  EXPECT_EQ(IntToStrEx(INT32_MIN), "-2147483648");
  EXPECT_EQ(IntToHex(0u), "0");
  EXPECT_EQ(IntToHex(0xABCDEFu), "abcdef");
  EXPECT_EQ(IntToHex(uint64_t{0x1200000034}), "1200000034");
  EXPECT_EQ(IntToHex(uint64_t{0x34}), "34");
  EXPECT_EQ(IntToHexEx(255u, 4, '0'), "$00ff");
  EXPECT_EQ(IntToHexEx(255u, 4, ' '), "  $ff");
  EXPECT_EQ(IntToHexEx(255u, -4, ' '), "$ff  ");
  EXPECT_EQ(IntToHexEx(255u, 1, '0'), "$ff");
  EXPECT_EQ(IntToHexEx(uint64_t{0x100000000}, 0, '0'), "$100000000");
  EXPECT_EQ(StrToIntEx(true, "-1aF"), -0x1AF);
  EXPECT_EQ(StrToIntEx(false, "1234x5"), 1234);
  EXPECT_EQ(StrToIntEx(false, "ff"), 0);
}

TEST(DroskStrings, WritesSizesWithTwoDecimals) {
  EXPECT_EQ(SizeToStr(1023, ','), "1023 Bytes");
  EXPECT_EQ(SizeToStr(-1023, ','), "1023 Bytes");
  EXPECT_EQ(SizeToStr(1024, ','), "1,00 KB");
  EXPECT_EQ(SizeToStr(1536, ','), "1,50 KB");
  EXPECT_EQ(SizeToStr(1048575, '.'), "1023.99 KB");
  EXPECT_EQ(SizeToStr(1048576, ','), "1,00 MB");
  EXPECT_EQ(SizeToStr(1073741823, ','), "1023,99 MB");
  EXPECT_EQ(SizeToStr(1073741824, ','), "1,00 GB");
  EXPECT_EQ(SizeToStr(int64_t{5} << 30 | 1 << 28, ','), "5,25 GB");
  EXPECT_EQ(SizeToStr(int64_t{3000} << 30, ','), "3000,00 GB");
  EXPECT_EQ(SizeToStr(2048), std::string("2") + DecimalSeparator() + "00 KB");
}

TEST(DroskStrings, HandlesSeparatedLists) {
  std::string list = " a ; b ;";
  FormatSubStrs(list, ';');
  EXPECT_EQ(list, "a;b");
  list = ";; \t";
  FormatSubStrs(list, ';');
  EXPECT_EQ(list, "");
  list = "x , ,y";
  FormatSubStrs(list);
  EXPECT_EQ(list, "x,,y");
  EXPECT_EQ(SubStrCount("a,b,,c"), 4);
  EXPECT_EQ(SubStrCount(""), 0);
  EXPECT_EQ(SubStr("a,b,,c", 3), "");
  EXPECT_EQ(SubStr("a,b,,c", 4), "c");
  EXPECT_EQ(SubStr("a,b,,c", 5), "");
  EXPECT_EQ(SubStr("a,b,,c", 0), "");
  EXPECT_TRUE(IsTextInList("EAccessViolation,EAbort", "eabort"));
  EXPECT_TRUE(IsTextInList("EAccessViolation,EAbort", "EACCESSVIOLATION"));
  EXPECT_FALSE(IsTextInList("EAccessViolation,EAbort", "Abort"));
  EXPECT_FALSE(IsTextInList("EAccessViolation,EAbort", "EAccess"));
  EXPECT_FALSE(IsTextInList("EAbortX", "EAbort"));
}

TEST(DroskStrings, NamesSystemErrorsOnOneLine) {
  const std::string notFound = ErrorCodeToStr(ERROR_FILE_NOT_FOUND);
  EXPECT_FALSE(notFound.empty());
  EXPECT_EQ(notFound.find_first_of("\r\n"), std::string::npos);
  EXPECT_EQ(notFound.find("Error $"), std::string::npos) << notFound;
  // A status value speaks through the system error it stands for.
  EXPECT_EQ(ErrorCodeToStr(0xC0000034), ErrorCodeToStr(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(ErrorCodeToStr(0x40000000), ErrorCodeToStr(698)) << "an existing object name";
  EXPECT_EQ(ErrorCodeToStr(0x3FFFFFF0), "Error $3ffffff0");
}

TEST(DroskStrings, WidensBytesAndDeciphersStoredSecrets) {
  EXPECT_EQ(WideFromBytes("a\xE9", false), std::wstring(L"a\u00E9"));
  EXPECT_EQ(WideFromBytes("a", true), std::wstring(L"a", 2));
  // A secret stored by enciphering twice in the reverse order (the counter form is its own
  // inverse) comes back.
  const std::string secret = "smtp password!";
  const std::string stored =
      Decrypt(Decrypt(secret, "one", kSecretCounter2, 0), "two", kSecretCounter1, 0);
  EXPECT_NE(stored, secret);
  EXPECT_EQ(DecryptTwice(stored, "one", "two"), secret);
  EXPECT_NE(DecryptTwice(stored, "two", "one"), secret);
}

}  // namespace
}  // namespace drosk
