// The library's text, number and list routines.
#include "crashreport/drosk_strings.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "crashreport/drosk_crypt.h"

namespace drosk {
namespace {

TEST(DroskStrings, SearchesForwardsBackwardsAndWithinBounds) {
  const std::string text = "abcABCabc";
  // A range exactly as long as the text sought finds it; the match must end inside the range;
  // backwards (from > to) finds the last occurrence; from 0, an empty range or an empty or
  // longer pattern find nothing.
  EXPECT_EQ(std::vector<int>({PosStr("abc", text), PosStr("abc", "abc"), PosStr("abc", text, 7, 9),
                              PosStr("abc", text, 2), PosStr("abc", text, 2, 8),
                              PosStr("abc", text, 2, 9), PosStr("abc", text, 9, 1),
                              PosStr("abc", text, 6, 1), PosStr("abc", text, 6, 2),
                              PosStr("abc", text, 0), PosStr("abc", text, 1, 0), PosStr("", text),
                              PosStr("abcd", "abc")}),
            std::vector<int>({1, 1, 7, 7, 0, 7, 7, 1, 0, 0, 0, 0, 0}));
  // Without case (a-umlaut through the table), and for any of a set of characters.
  EXPECT_EQ(std::vector<int>(
                {PosText("ABC", "xxabc"), PosText("\xE4", "x\xC4"), PosText("abc", text, 9, 1),
                 PosText("abc", text, 5, 1), PosChars(CharSet(",;"), "a,b;c"),
                 PosChars(CharSet(",;"), "a,b;c", 5, 1), PosChars(CharSet(",;"), "a,b;c", 3, 3)}),
            std::vector<int>({3, 2, 7, 4, 2, 4, 0}));
  EXPECT_TRUE(StartsText("", "x") && StartsText("dROSK", "Drosk tools") &&
              StartsText("DROSK", "drosk") && !StartsText("drosk tools!", "Drosk tools"));
}

TEST(DroskStrings, ReplacesTrimsKillsAndCuts) {
  // Each edit as "changed:text"; a rescan replaces what a replacement made, unless the
  // replacement holds its own pattern.
  const auto edit = [](std::string text, const auto& change) {
    const bool changed = change(text);
    return std::to_string(changed) + ":" + text + "|";
  };
  using S = std::string;
  EXPECT_EQ(edit("a    b", [](S& t) { return ReplaceStr(t, "  ", " "); }) +
                edit("a    b", [](S& t) { return ReplaceStr(t, "  ", " ", true); }) +
                edit("aXa", [](S& t) { return ReplaceStr(t, "a", "aa", true); }) +
                edit("Tab tab TAB", [](S& t) { return ReplaceStr(t, "tAb", "x"); }) +
                edit("Tab tab TAB", [](S& t) { return ReplaceText(t, "tAb", "x"); }) +
                edit("x", [](S& t) { return ReplaceStr(t, "", "y"); }) +
                edit("a-b_c-", [](S& t) { return KillChars(t, CharSet("-_")); }) +
                edit("abc", [](S& t) { return KillChars(t, CharSet("-")); }) +
                edit(S("\0\t abc \x20\x1f", 9), [](S& t) { return Trim(t), true; }) +
                edit("abcdef", [](S& t) { return Keep(t, 2, 3), true; }),
            "1:a  b|1:a b|1:aaXaa|0:Tab tab TAB|1:x x x|0:x|1:abc|0:abc|1:abc|1:bcd|");
  EXPECT_EQ(TrimStr(" \x21 ") + "|" + RetDelete("abcdef", 2, 3) + "|" + RetDelete("abcdef", 5, 10) +
                "|" + RightStr("abcdef", 2) + "|" + RightStr("ab", 5),
            "\x21|aef|abcd|ef|ab");
}

TEST(DroskStrings, UpperCasesThroughTheTables) {
  // Only a-z and three umlauts; the division sign is no letter; y-umlaut has its capital.
  EXPECT_EQ(std::string({UpChar('q'), UpChar('\xE9'), UpChar('\xF7'), UpChar('\xFF')}) + "|" +
                UpStr("a\xE4\xF6\xFC\xE9z{"),
            "Q\xC9\xF7\x9F|A\xC4\xD6\xDC\xE9Z{");
  EXPECT_TRUE(SameText("Report \xE9t\xE9", "REPORT \xC9T\xC9"));
  EXPECT_TRUE(CompareText("abc", "ABD") < 0 && CompareText("abcd", "ABC") > 0 &&
              CompareText("", "") == 0);
}

TEST(DroskStrings, FormatsNumbersWithPaddingAndTheDollarForm) {
  // Negative widths pad on the right; a number wider than its width is not cut.
  EXPECT_EQ(std::vector<std::string>({IntToStrEx(-5, 4, '0'), IntToStrEx(-5, -4, ' '),
                                      IntToStrEx(-5, 4, ' '), IntToStrEx(42, 1, '0'),
                                      IntToStrEx(uint32_t{4000000000u}, 12, '0'),
                                      IntToStrEx(int64_t{-9000000000}), IntToStrEx(INT32_MIN)}),
            std::vector<std::string>(
                {"-005", "-5  ", "  -5", "42", "004000000000", "-9000000000", "-2147483648"}));
  EXPECT_EQ(std::vector<std::string>({IntToHex(0u), IntToHex(0xABCDEFu),
                                      IntToHex(uint64_t{0x1200000034}), IntToHex(uint64_t{0x34}),
                                      IntToHexEx(255u, 4, '0'), IntToHexEx(255u, 4, ' '),
                                      IntToHexEx(255u, -4, ' '), IntToHexEx(255u, 1, '0'),
                                      IntToHexEx(uint64_t{0x100000000}, 0, '0')}),
            std::vector<std::string>({"0", "abcdef", "1200000034", "34", "$00ff", "  $ff", "$ff  ",
                                      "$ff", "$100000000"}));
  EXPECT_EQ(std::vector<int64_t>(
                {StrToIntEx(true, "-1aF"), StrToIntEx(false, "1234x5"), StrToIntEx(false, "ff")}),
            std::vector<int64_t>({-0x1AF, 1234, 0}));
}

TEST(DroskStrings, WritesSizesWithTwoDecimals) {
  std::string sizes;
  for (const int64_t size : {int64_t{1023}, int64_t{-1023}, int64_t{1024}, int64_t{1536},
                             int64_t{1048576}, int64_t{1073741823}, int64_t{1073741824},
                             int64_t{5} << 30 | 1 << 28, int64_t{3000} << 30}) {
    sizes += SizeToStr(size, ',') + "|";
  }
  EXPECT_EQ(sizes,
            "1023 Bytes|1023 Bytes|1,00 KB|1,50 KB|1,00 MB|1023,99 MB|1,00 GB|5,25 GB|3000,00 GB|");
  EXPECT_EQ(SizeToStr(1048575, '.'), "1023.99 KB");
  EXPECT_EQ(SizeToStr(2048), std::string("2") + DecimalSeparator() + "00 KB");
}

TEST(DroskStrings, HandlesSeparatedLists) {
  std::string formatted;
  for (const auto& [list, separator] :
       {std::pair{" a ; b ;", ';'}, {";; \t", ';'}, {"x , ,y", ','}}) {
    std::string text = list;
    FormatSubStrs(text, separator);
    formatted += text + "|";
  }
  EXPECT_EQ(formatted, "a;b||x,,y|");
  EXPECT_EQ(std::vector<int>({SubStrCount("a,b,,c"), SubStrCount("")}), std::vector<int>({4, 0}));
  EXPECT_EQ(SubStr("a,b,,c", 0) + "|" + SubStr("a,b,,c", 1) + "|" + SubStr("a,b,,c", 3) + "|" +
                SubStr("a,b,,c", 4) + "|" + SubStr("a,b,,c", 5),
            "|a||c|");
  // Whole entries, without case.
  EXPECT_EQ(std::vector<bool>({IsTextInList("EAccessViolation,EAbort", "eabort"),
                               IsTextInList("EAccessViolation,EAbort", "EACCESSVIOLATION"),
                               IsTextInList("EAccessViolation,EAbort", "Abort"),
                               IsTextInList("EAccessViolation,EAbort", "EAccess"),
                               IsTextInList("EAbortX", "EAbort")}),
            std::vector<bool>({true, true, false, false, false}));
}

TEST(DroskStrings, NamesSystemErrorsOnOneLine) {
  const std::string notFound = ErrorCodeToStr(ERROR_FILE_NOT_FOUND);
  EXPECT_TRUE(!notFound.empty() && notFound.find_first_of("\r\n$") == std::string::npos)
      << notFound;
  // A status value speaks through the system error it stands for (0x40000000: an existing
  // object name).
  EXPECT_EQ(ErrorCodeToStr(0xC0000034) + "|" + ErrorCodeToStr(0x40000000) + "|" +
                ErrorCodeToStr(0x3FFFFFF0),
            notFound + "|" + ErrorCodeToStr(698) + "|Error $3ffffff0");
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
