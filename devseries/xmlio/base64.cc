#include "devseries/xmlio/base64.h"

#include <array>
#include <cstdint>
#include <utility>

namespace devseries {

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

bool CBase64::Decode(std::string_view text, std::vector<unsigned char>& bytes,
                     Problem* problem) {
  bytes.clear();
  bytes.reserve(text.size() / 4 * 3);
  auto refuse = [&](size_t offset, std::string what) {
    bytes.clear();
    if (problem != nullptr) *problem = Problem{offset, std::move(what)};
    return false;
  };
  // The bytes of a last group of two or three characters.
  auto flushPartial = [&](std::uint32_t group, int filled) {
    if (filled == 3) {
      bytes.push_back(static_cast<unsigned char>(group >> 10));
      bytes.push_back(static_cast<unsigned char>(group >> 2));
    } else {
      bytes.push_back(static_cast<unsigned char>(group >> 4));
    }
  };
  std::uint32_t group = 0;
  int filled = 0;   // characters of the current group
  int padding = 0;  // "=" seen; the data has ended once there is one
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') continue;
    if (c == '=') {
      // Fill may only complete a last group of two or three characters.
      if (padding == 0 && filled < 2) {
        return refuse(i, filled == 0 ? "\"=\" where a group begins"
                                     : "\"=\" after one character of a group");
      }
      if (filled + padding == 4) return refuse(i, "more \"=\" than fill");
      if (padding++ == 0) flushPartial(group, filled);
      continue;
    }
    const std::int8_t value = kDecode[static_cast<unsigned char>(c)];
    if (value < 0) {
      const auto byte = static_cast<unsigned char>(c);
      std::string shown;
      if (byte >= 0x20 && byte < 0x7F) {
        shown = std::string("\"") + c + "\"";
      } else {
        static constexpr char kHex[] = "0123456789ABCDEF";
        shown = std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 0x0F];
      }
      return refuse(i, shown + " is not a Base64 character");
    }
    if (padding > 0) return refuse(i, "text after the \"=\" fill");
    group = (group << 6) | static_cast<std::uint32_t>(value);
    if (++filled == 4) {
      bytes.push_back(static_cast<unsigned char>(group >> 16));
      bytes.push_back(static_cast<unsigned char>(group >> 8));
      bytes.push_back(static_cast<unsigned char>(group));
      group = 0;
      filled = 0;
    }
  }
  if (padding == 0) {
    // A last group without its fill still has one meaning, unless it is a
    // single character, which holds only 6 of a byte's 8 bits.
    if (filled == 1) {
      return refuse(text.size(), "a last group of one character");
    }
    if (filled > 1) flushPartial(group, filled);
  }
  return true;
}

}  // namespace devseries
