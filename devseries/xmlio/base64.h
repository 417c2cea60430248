// Standard Base64 (the RFC 4648 alphabet, "=" as the fill character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace devseries {

class CBase64 {
 public:
  // Why Decode refused a text: the offending character (0-based offset in
  // the text; the text's length when the text ended too early) and what is
  // wrong with it.
  struct Problem {
    size_t offset = 0;
    std::string what;
  };

  // Encodes `size` bytes; the text has no line breaks.
  static std::string Encode(const void* data, size_t size);
  // Decodes `text`. Accepts what has one meaning only: blanks (space, tab,
  // CR, LF) anywhere, as in text broken into lines, and a last group whose
  // "=" fill is missing in part or whole ("Zg", "Zg=" and "Zg==" all decode
  // to "f"). Returns false, with `bytes` empty and `problem` (when given)
  // saying why, when the text holds any other character outside the
  // alphabet, fill characters anywhere but at the end, or a last group of a
  // single character, which makes no whole byte.
  [[nodiscard]] static bool Decode(std::string_view text,
                                   std::vector<unsigned char>& bytes,
                                   Problem* problem = nullptr);
};

}  // namespace devseries
