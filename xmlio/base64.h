// Standard Base64 (the RFC 4648 alphabet, "=" as the fill character).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class CBase64 {
 public:
  // Encodes `size` bytes; the text has no line breaks.
  static std::string Encode(const void* data, size_t size);
  // Decodes `text`, ignoring blanks (space, tab, CR, LF) between groups.
  // Returns false, with `bytes` empty, when the text holds any other
  // character outside the alphabet, fill characters anywhere but at the
  // end, or a length that does not make whole groups.
  [[nodiscard]] static bool Decode(std::string_view text,
                                   std::vector<unsigned char>& bytes);
};
