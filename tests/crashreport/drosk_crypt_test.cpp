// Blowfish against the published vectors and its three ways over a text; base64 against RFC 4648.
#include "crashreport/drosk_crypt.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

#include "crashreport/drosk_types.h"
#include "report_text.h"

namespace drosk {
namespace {

std::string FromHex(std::string_view hex) {
  const std::vector<uint8_t> bytes = HexBytes(hex);
  return std::string(bytes.begin(), bytes.end());
}

std::string ToHex(std::string_view bytes) {
  std::string hex;
  for (unsigned char b : bytes) hex += {"0123456789ABCDEF"[b >> 4], "0123456789ABCDEF"[b & 15]};
  return hex;
}

std::string RunOver(std::string data, bool encrypt, bool native, uint32_t low, uint32_t high,
                    std::string_view key) {
  BlowfishRun(reinterpret_cast<uint8_t*>(data.data()), data.size(), encrypt, native, low, high,
              key);
  return data;
}

struct CipherVector {
  const char* key;
  const char* clear;
  const char* cipher;
};

// The published ECB vectors, and the start of the published variable-key-length series.
constexpr CipherVector kVectors[] = {
    {"0000000000000000", "0000000000000000", "4EF997456198DD78"},
    {"FFFFFFFFFFFFFFFF", "FFFFFFFFFFFFFFFF", "51866FD5B85ECB8A"},
    {"0123456789ABCDEF", "1111111111111111", "61F9C3802281B096"},
    {"1111111111111111", "0123456789ABCDEF", "7D0CC630AFDA1EC7"},
    {"FEDCBA9876543210", "0123456789ABCDEF", "0ACEAB0FC6A0A28D"},
    {"F0", "FEDCBA9876543210", "F9AD597C49DB005E"},
    {"F0E1D2", "FEDCBA9876543210", "E9C2B70A1BC65CF3"},
};

TEST(Blowfish, MatchesThePublishedVectorsInBothDirections) {
  for (const CipherVector& v : kVectors) {
    SCOPED_TRACE(std::string(v.key) + " " + v.clear);
    const std::string key = FromHex(v.key);
    const std::string clear = FromHex(v.clear);
    const std::string cipher = RunOver(clear, true, false, 0, 0, key);
    EXPECT_EQ(ToHex(cipher), v.cipher);
    EXPECT_EQ(RunOver(cipher, false, false, 0, 0, key), clear);
    // The ECB decryption with big-endian words is Decrypt's form without a counter.
    EXPECT_EQ(Decrypt(cipher + FromHex("0808080808080808"), key, 0, 0).substr(0, 8), clear);
  }
}

TEST(Blowfish, NativeOrderSwapsTheWordsBytesAndLeavesAShortTail) {
  const std::string key = "crash";
  const std::string clear = "ABCDEFGHijklmnopXYZ";  // two blocks and a 3-byte tail
  const std::string native = EncryptNative(clear, key);
  ASSERT_EQ(native.size(), clear.size());
  EXPECT_EQ(native.substr(16), "XYZ");
  EXPECT_EQ(DecryptNative(native, key), clear);

  // The same cipher as big-endian words once each word's bytes are reversed on both sides.
  auto swapWords = [](std::string s) {
    for (size_t i = 0; i + 4 <= s.size(); i += 4)
      std::swap(s[i], s[i + 3]), std::swap(s[i + 1], s[i + 2]);
    return s;
  };
  const std::string big = RunOver(swapWords(clear.substr(0, 16)), true, false, 0, 0, key);
  EXPECT_EQ(swapWords(big), native.substr(0, 16));
  EXPECT_NE(native.substr(0, 16), RunOver(clear.substr(0, 16), true, false, 0, 0, key));
}

TEST(Blowfish, CounterModeIncrementsBigEndianBeforeEachBlockAndIsItsOwnInverse) {
  const std::string key = FromHex("0123456789ABCDEF");
  const TBlowfish fish(key);
  // Counter bytes 01 00 00 00 FF FF FF FF: the increment carries from the last byte into the
  // fourth, giving 01 00 00 01 00 00 00 00, then 01 00 00 01 00 00 00 01.
  uint32_t l1 = 0x01000001, r1 = 0, l2 = 0x01000001, r2 = 1;
  fish.EncryptBlock(l1, r1);
  fish.EncryptBlock(l2, r2);
  char expected[40];
  std::snprintf(expected, sizeof expected, "%08X%08X%08X%08X", l1, r1, l2, r2);
  const std::string zeros(16, '\0');
  EXPECT_EQ(ToHex(RunOver(zeros, true, false, 1, 0xFFFFFFFF, key)), expected);
  // The carry runs into the first byte: 01 FF .. FF becomes 02 00 .. 00.
  uint32_t l3 = 0x02000000, r3 = 0;
  fish.EncryptBlock(l3, r3);
  std::snprintf(expected, sizeof expected, "%08X%08X", l3, r3);
  EXPECT_EQ(ToHex(RunOver(zeros.substr(8), true, false, 0xFFFFFF01, 0xFFFFFFFF, key)), expected);
  // Decrypt runs the counter in the encrypting direction, so it undoes the encryption; a text
  // whose end is no padding keeps its full length.
  const std::string clear = "report body 0123456789!";
  const std::string cipher = RunOver(clear, true, false, 77, 3, key);
  EXPECT_EQ(cipher.substr(16), clear.substr(16));
  EXPECT_EQ(Decrypt(cipher, key, 77, 3), clear);
  EXPECT_NE(Decrypt(cipher, key, 78, 3), clear);
  // Either half of the counter alone selects the counter form in Decrypt.
  for (const auto& [low, high] : {std::pair{5u, 0u}, std::pair{0u, 5u}}) {
    EXPECT_EQ(Decrypt(RunOver(clear, true, false, low, high, key), key, low, high), clear);
  }
}

TEST(Blowfish, DecryptRemovesOnlyAValidPaddingTail) {
  const std::string key = "key";
  auto sealed = [&](const std::string& clear) { return RunOver(clear, true, false, 0, 0, key); };
  EXPECT_EQ(Decrypt(sealed("ABCDEFG\x01"), key, 0, 0), "ABCDEFG");
  EXPECT_EQ(Decrypt(sealed("ABCDE\x03\x03\x03"), key, 0, 0), "ABCDE");
  EXPECT_EQ(Decrypt(sealed(std::string(8, '\x08') + std::string(8, '\x08')), key, 0, 0),
            std::string(8, '\x08'));
  EXPECT_EQ(Decrypt(sealed("ABCDE\x02\x03\x03"), key, 0, 0), "ABCDE\x02\x03\x03");
  EXPECT_EQ(Decrypt(sealed(std::string("ABCDEFG\0", 8)), key, 0, 0), std::string("ABCDEFG\0", 8));
  EXPECT_EQ(Decrypt(sealed("ABCDEFG\x09"), key, 0, 0), "ABCDEFG\x09");
  const std::string nines = "ABCDEFG" + std::string(9, '\x09');
  EXPECT_EQ(Decrypt(sealed(nines), key, 0, 0), nines) << "nine is no padding length";
  EXPECT_EQ(Decrypt("", key, 0, 0), "");
  EXPECT_THROW(TBlowfish(""), DroskException);
}

TEST(Base64, EncodesTheRfcVectors) {
  constexpr std::pair<const char*, const char*> kCases[] = {
      {"", ""},
      {"f", "Zg=="},
      {"fo", "Zm8="},
      {"foo", "Zm9v"},
      {"foob", "Zm9vYg=="},
      {"fooba", "Zm9vYmE="},
      {"foobar", "Zm9vYmFy"},
  };
  for (const auto& [clear, encoded] : kCases) EXPECT_EQ(Base64EncodeString(clear), encoded);
  const unsigned char high[] = {0xFB, 0xFF, 0xBF, 0x00};
  EXPECT_EQ(Base64Encode(high, 4), "+/+/AA==");
}

}  // namespace
}  // namespace drosk
