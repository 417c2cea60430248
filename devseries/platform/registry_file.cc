#include "devseries/platform/registry_file.h"

#include <string>
#include <utility>
#include <vector>

#include "devseries/platform/debug_output.h"
#include "devseries/platform/hex_digit.h"

namespace devseries::platform {

namespace {

char AsciiLower(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) c = AsciiLower(c);
  return lower;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (AsciiLower(a[i]) != AsciiLower(b[i])) return false;
  }
  return true;
}

void AppendUtf8(char32_t c, std::string* out) {
  if (c < 0x80) {
    out->push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out->push_back(static_cast<char>(0xC0 | (c >> 6)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out->push_back(static_cast<char>(0xE0 | (c >> 12)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out->push_back(static_cast<char>(0xF0 | (c >> 18)));
    out->push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out->push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// Converts UTF-16LE to UTF-8. On failure (odd length, unpaired surrogate)
// returns false with `out` holding what was converted before the fault.
bool Utf16LeToUtf8(std::string_view bytes, std::string* out,
                   std::string* reason) {
  out->clear();
  auto unit = [&](size_t i) {
    return static_cast<char16_t>(
        static_cast<unsigned char>(bytes[i]) |
        (static_cast<unsigned char>(bytes[i + 1]) << 8));
  };
  size_t i = 0;
  for (; i + 1 < bytes.size(); i += 2) {
    char16_t u = unit(i);
    if (u >= 0xD800 && u <= 0xDBFF) {
      if (i + 3 >= bytes.size()) break;
      char16_t low = unit(i + 2);
      if (low < 0xDC00 || low > 0xDFFF) break;
      AppendUtf8(0x10000 + ((char32_t{u} - 0xD800) << 10) + (low - 0xDC00),
                 out);
      i += 2;
    } else if (u >= 0xDC00 && u <= 0xDFFF) {
      break;
    } else {
      AppendUtf8(u, out);
    }
  }
  if (i == bytes.size()) return true;
  *reason = i + 1 == bytes.size() ? "UTF-16 text of odd length"
                                  : "unpaired UTF-16 surrogate";
  return false;
}

// Parses 1 to 8 hex digits making up all of `text`.
bool ParseHexDword(std::string_view text, DWORD* value) {
  if (text.empty() || text.size() > 8) return false;
  DWORD result = 0;
  for (char c : text) {
    int digit = HexDigitValue(c);
    if (digit < 0) return false;
    result = (result << 4) | static_cast<DWORD>(digit);
  }
  *value = result;
  return true;
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool IsStringType(DWORD type) {
  return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ;
}

}  // namespace

std::string NormaliseRegistryKeyPath(std::string_view path) {
  std::string normal;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('\\', start);
    if (end == std::string_view::npos) end = path.size();
    if (end > start) {
      if (!normal.empty()) normal += '\\';
      normal += Lower(path.substr(start, end - start));
    }
    start = end + 1;
  }
  return normal;
}

// Reads a registry export file line by line into a RegistryFile.
class RegistryFileParser {
 public:
  explicit RegistryFileParser(RegistryFile* file) : file_(file) {}

  bool Run(std::string_view bytes, RegistryParseError* error) {
    error_ = error;
    std::string text;
    if (bytes.size() >= 2 && bytes[0] == '\xFF' && bytes[1] == '\xFE') {
      std::string reason;
      if (!Utf16LeToUtf8(bytes.substr(2), &text, &reason)) {
        // The fault is on the line after the last complete one.
        SplitLines(text);
        bool ended = text.empty() || text.back() == '\r' || text.back() == '\n';
        return Fail(static_cast<int>(lines_.size()) + (ended ? 1 : 0), reason);
      }
    } else {
      if (bytes.substr(0, 3) == "\xEF\xBB\xBF") bytes.remove_prefix(3);
      text = bytes;
    }
    SplitLines(text);

    if (lines_.empty() ||
        (lines_[0] != "REGEDIT4" &&
         lines_[0] != "Windows Registry Editor Version 5.00")) {
      return Fail(1, "not a registry file (wrong header line)");
    }
    unicode_ = lines_[0] != "REGEDIT4";
    for (next_ = 1; next_ < lines_.size();) {
      int number = static_cast<int>(next_) + 1;
      std::string_view line = Trim(lines_[next_++]);
      if (line.find('\0') != std::string_view::npos) {
        return Fail(number, "zero character in line");
      }
      if (line.empty() || line[0] == ';' || line[0] == '#') continue;
      if (line[0] == '[') {
        if (!KeyLine(number, line)) return false;
      } else if (line[0] == '"' || line[0] == '@') {
        if (!ValueLine(number, line)) return false;
      } else {
        return Fail(number, "cannot parse line");
      }
    }
    return true;
  }

 private:
  enum class KeyState { kNone, kOpen, kDeleted };

  bool Fail(int line, std::string reason) {
    error_->line = line < 1 ? 1 : line;
    error_->reason = std::move(reason);
    return false;
  }

  void SplitLines(std::string_view text) {
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
      if (text[i] != '\r' && text[i] != '\n') continue;
      lines_.emplace_back(text.substr(start, i - start));
      if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
      start = i + 1;
    }
    if (start < text.size()) lines_.emplace_back(text.substr(start));
  }

  // "[ROOT\path]" or "[-ROOT\path]".
  bool KeyLine(int number, std::string_view line) {
    if (line.back() != ']') return Fail(number, "key line without closing ]");
    std::string_view inner = line.substr(1, line.size() - 2);
    bool remove = !inner.empty() && inner[0] == '-';
    if (remove) inner.remove_prefix(1);
    size_t slash = inner.find('\\');
    std::string_view rootName = inner.substr(0, slash);
    std::string_view path = slash == std::string_view::npos
                                ? std::string_view()
                                : inner.substr(slash + 1);
    if (EqualsIgnoreCase(rootName, "HKEY_LOCAL_MACHINE") ||
        EqualsIgnoreCase(rootName, "HKLM")) {
      root_ = 0;
    } else if (EqualsIgnoreCase(rootName, "HKEY_CURRENT_USER") ||
               EqualsIgnoreCase(rootName, "HKCU")) {
      root_ = 1;
    } else {
      return Fail(number, "unknown root \"" + std::string(rootName) + "\"");
    }
    if (slash != std::string_view::npos &&
        (path.empty() || path.front() == '\\' || path.back() == '\\' ||
         path.find("\\\\") != std::string_view::npos)) {
      return Fail(number, "empty key name in path");
    }
    path_ = NormaliseRegistryKeyPath(path);
    auto& keys = file_->keys_[root_];
    if (remove) {
      state_ = KeyState::kDeleted;
      if (path_.empty()) {
        keys.clear();
        return true;
      }
      keys.erase(path_);
      std::string below = path_ + '\\';
      auto it = keys.lower_bound(below);
      while (it != keys.end() && it->first.starts_with(below)) {
        it = keys.erase(it);
      }
      return true;
    }
    state_ = KeyState::kOpen;
    // Creating a key creates its ancestors, as an import does.
    for (size_t end = path_.find('\\'); end != std::string::npos;
         end = path_.find('\\', end + 1)) {
      keys[path_.substr(0, end)];
    }
    keys[path_];
    return true;
  }

  // Reads a quoted string starting at text[*pos] == '"'; leaves *pos after
  // the closing quote.
  bool QuotedString(int number, std::string_view text, size_t* pos,
                    std::string* out) {
    out->clear();
    for (size_t i = *pos + 1; i < text.size(); ++i) {
      char c = text[i];
      if (c == '"') {
        *pos = i + 1;
        return true;
      }
      if (c == '\\') {
        if (i + 1 >= text.size() ||
            (text[i + 1] != '\\' && text[i + 1] != '"')) {
          return Fail(number, "unknown escape in string (only \\\\ and \\\")");
        }
        c = text[++i];
      }
      out->push_back(c);
    }
    return Fail(number, "unterminated string");
  }

  // "name"=data or @=data.
  bool ValueLine(int number, std::string_view line) {
    std::string name;
    size_t pos = 0;
    if (line[0] == '@') {
      pos = 1;
    } else if (!QuotedString(number, line, &pos, &name)) {
      return false;
    }
    while (pos < line.size() && IsBlank(line[pos])) ++pos;
    if (pos >= line.size() || line[pos] != '=') {
      return Fail(number, "value name without =");
    }
    std::string_view data = Trim(line.substr(pos + 1));
    if (state_ == KeyState::kNone) return Fail(number, "value outside a key");
    if (state_ == KeyState::kDeleted) {
      return Fail(number, "value under a deleted key");
    }
    RegistryValue value;
    if (data == "-") {
      file_->keys_[root_][path_].values.erase(Lower(name));
      return true;
    }
    if (!data.empty() && data[0] == '"') {
      std::string text;
      size_t end = 0;
      if (!QuotedString(number, data, &end, &text)) return false;
      if (end != data.size()) return Fail(number, "text after closing quote");
      value.type = REG_SZ;
      value.data = std::move(text);
      value.data.push_back('\0');
    } else if (EqualsIgnoreCase(data.substr(0, 6), "dword:")) {
      DWORD dword = 0;
      if (!ParseHexDword(data.substr(6), &dword)) {
        return Fail(number, "dword needs 1 to 8 hex digits");
      }
      value.type = REG_DWORD;
      for (int i = 0; i < 4; ++i) {
        value.data.push_back(static_cast<char>((dword >> (8 * i)) & 0xFF));
      }
    } else if (EqualsIgnoreCase(data.substr(0, 3), "hex")) {
      std::string_view rest = data.substr(3);
      value.type = REG_BINARY;
      if (!rest.empty() && rest[0] == '(') {
        size_t close = rest.find(')');
        if (close == std::string_view::npos ||
            !ParseHexDword(rest.substr(1, close - 1), &value.type)) {
          return Fail(number, "hex(N) needs a hex type number");
        }
        rest.remove_prefix(close + 1);
      }
      if (rest.empty() || rest[0] != ':') {
        return Fail(number, "hex data without :");
      }
      std::string bytes;
      if (!HexBytes(number, rest.substr(1), &bytes)) return false;
      if (IsStringType(value.type) && unicode_) {
        std::string reason;
        if (!Utf16LeToUtf8(bytes, &value.data, &reason)) {
          return Fail(number, reason);
        }
      } else {
        value.data = std::move(bytes);
      }
    } else {
      return Fail(number, "unknown value data");
    }
    file_->keys_[root_][path_].values[Lower(name)] = std::move(value);
    return true;
  }

  // Comma-separated bytes of two hex digits each; a line ending in "," + "\"
  // continues on the next line.
  bool HexBytes(int number, std::string_view text, std::string* bytes) {
    size_t pos = 0;
    auto skipBlanks = [&] {
      while (pos < text.size() && IsBlank(text[pos])) ++pos;
    };
    skipBlanks();
    if (pos == text.size()) return true;  // no bytes at all
    for (;;) {
      skipBlanks();
      int high = pos + 2 <= text.size() ? HexDigitValue(text[pos]) : -1;
      int low = high >= 0 ? HexDigitValue(text[pos + 1]) : -1;
      if (low < 0) return Fail(number, "bad hex byte");
      bytes->push_back(static_cast<char>(high * 16 + low));
      pos += 2;
      skipBlanks();
      if (pos == text.size()) return true;
      if (text[pos] != ',') return Fail(number, "bad hex byte");
      ++pos;
      skipBlanks();
      if (pos == text.size()) return Fail(number, "hex data ends with ,");
      if (text[pos] != '\\') continue;
      if (Trim(text.substr(pos + 1)).size() != 0) {
        return Fail(number, "text after line continuation \\");
      }
      if (next_ >= lines_.size()) {
        return Fail(number, "line continuation at end of file");
      }
      number = static_cast<int>(next_) + 1;
      text = Trim(lines_[next_++]);
      pos = 0;
    }
  }

  RegistryFile* file_;
  RegistryParseError* error_ = nullptr;
  std::vector<std::string_view> lines_;
  size_t next_ = 0;
  bool unicode_ = false;
  KeyState state_ = KeyState::kNone;
  int root_ = 0;
  std::string path_;
};

bool RegistryFile::Parse(std::string_view bytes, RegistryParseError* error) {
  keys_[0].clear();
  keys_[1].clear();
  RegistryParseError ignored;
  RegistryFileParser parser(this);
  if (parser.Run(bytes, error != nullptr ? error : &ignored)) return true;
  keys_[0].clear();
  keys_[1].clear();
  return false;
}

bool RegistryFile::HasKey(RegistryRoot root, std::string_view path) const {
  std::string normal = NormaliseRegistryKeyPath(path);
  return normal.empty() || keys_[static_cast<int>(root)].count(normal) > 0;
}

const RegistryValue* RegistryFile::FindValue(RegistryRoot root,
                                             std::string_view path,
                                             std::string_view name) const {
  const auto& keys = keys_[static_cast<int>(root)];
  auto key = keys.find(NormaliseRegistryKeyPath(path));
  if (key == keys.end()) return nullptr;
  auto value = key->second.values.find(Lower(name));
  return value != key->second.values.end() ? &value->second : nullptr;
}

RegistryFile LoadRegistryText(std::string_view bytes,
                              std::string_view fileName) {
  RegistryFile file;
  RegistryParseError error;
  if (!file.Parse(bytes, &error)) {
    std::string line(fileName);
    line += ':' + std::to_string(error.line) +
            ": registry file rejected: " + error.reason + "\r\n";
    OutputDebugStringA(line.c_str());
  }
  return file;
}

}  // namespace devseries::platform
