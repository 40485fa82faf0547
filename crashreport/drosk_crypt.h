// The library's two small codecs: the Blowfish block cipher with its three ways of running over a
// text, and a base64 encoder.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace drosk {

// One keyed Blowfish state (16 rounds, P-array and S-boxes started from the digits of pi). Keys
// are read cyclically; an empty key raises DroskException.
class TBlowfish {
 public:
  explicit TBlowfish(std::string_view key);

  void EncryptBlock(uint32_t& left, uint32_t& right) const noexcept;
  void DecryptBlock(uint32_t& left, uint32_t& right) const noexcept;

 private:
  uint32_t Round(uint32_t x) const noexcept;

  uint32_t p_[18];
  uint32_t s_[4][256];
};

// Runs the cipher in place over the first (length div 8) * 8 bytes; a shorter tail stays as it
// is. A counter of (0, 0) means ECB; any other counter means counter mode, in which the counter
// is incremented before each block and its cipher (in the direction of `encrypt`) is XORed in.
// Native order reads each block as two little-endian words, otherwise as two big-endian words.
void BlowfishRun(uint8_t* data, size_t length, bool encrypt, bool nativeOrder, uint32_t counterLow,
                 uint32_t counterHigh, std::string_view key);

// ECB over the text with little-endian words.
std::string EncryptNative(std::string data, std::string_view key);
std::string DecryptNative(std::string data, std::string_view key);

// ECB decryption with big-endian words when the counter is (0, 0), otherwise counter mode (its own
// inverse). A valid padding tail (last byte n of 1 to 8, the last n bytes all n) is removed.
std::string Decrypt(std::string data, std::string_view key, uint32_t counterLow,
                    uint32_t counterHigh);

// Standard base64 (RFC 4648 alphabet, "=" padding, no line breaks).
std::string Base64Encode(const void* data, size_t size);
std::string Base64EncodeString(std::string_view text);

}  // namespace drosk
