#include "xmlio/base64.h"

#include <array>
#include <cstdint>

namespace {

constexpr char kAlphabet[] =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr std::array<std::int8_t, 256> MakeDecodeTable() {
  std::array<std::int8_t, 256> table{};
  for (auto& entry : table) entry = -1;
  for (int i = 0; i < 64; ++i) {
    table[static_cast<unsigned char>(kAlphabet[i])] =
        static_cast<std::int8_t>(i);
  }
  return table;
}

constexpr std::array<std::int8_t, 256> kDecode = MakeDecodeTable();

}  // namespace

std::string CBase64::Encode(const void* data, size_t size) {
  const auto* p = static_cast<const unsigned char*>(data);
  std::string text;
  text.reserve((size + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= size; i += 3) {
    std::uint32_t group = (p[i] << 16) | (p[i + 1] << 8) | p[i + 2];
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += kAlphabet[(group >> 6) & 63];
    text += kAlphabet[group & 63];
  }
  if (size - i == 1) {
    std::uint32_t group = p[i] << 16;
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += "==";
  } else if (size - i == 2) {
    std::uint32_t group = (p[i] << 16) | (p[i + 1] << 8);
    text += kAlphabet[(group >> 18) & 63];
    text += kAlphabet[(group >> 12) & 63];
    text += kAlphabet[(group >> 6) & 63];
    text += '=';
  }
  return text;
}

bool CBase64::Decode(std::string_view text, std::vector<unsigned char>& bytes) {
  bytes.clear();
  bytes.reserve(text.size() / 4 * 3);
  std::uint32_t group = 0;
  int filled = 0;   // sextets in the current group
  int padding = 0;  // "=" seen
  for (char c : text) {
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      // Fill may only complete the last group, after two or three sextets.
      if (filled == 4 || filled + padding < 2) {
        bytes.clear();
        return false;
      }
      ++padding;
      if (filled + padding == 4) {
        if (padding == 1) {
          bytes.push_back(static_cast<unsigned char>(group >> 10));
          bytes.push_back(static_cast<unsigned char>(group >> 2));
        } else {
          bytes.push_back(static_cast<unsigned char>(group >> 4));
        }
        filled = 4;  // the group is complete; nothing may follow but blanks
      }
      continue;
    }
    std::int8_t value = kDecode[static_cast<unsigned char>(c)];
    if (value < 0 || padding > 0) {
      bytes.clear();
      return false;
    }
    group = (group << 6) | static_cast<std::uint32_t>(value);
    if (++filled == 4) {
      bytes.push_back(static_cast<unsigned char>(group >> 16));
      bytes.push_back(static_cast<unsigned char>(group >> 8));
      bytes.push_back(static_cast<unsigned char>(group));
      group = 0;
      filled = 0;
    }
  }
  bool complete = (filled == 0 && padding == 0) || (filled == 4 && padding > 0);
  if (!complete) {
    bytes.clear();
    return false;
  }
  return true;
}
