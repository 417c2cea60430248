#include "tools/dsrtool_src/json/json_emitter.h"

#include <charconv>

namespace dsrtool {

namespace {

// The length of the valid UTF-8 sequence at the start of `text`, or 0.
size_t Utf8SequenceLength(std::string_view text) {
  const auto byte = [&](size_t i) {
    return static_cast<unsigned char>(text[i]);
  };
  const unsigned char lead = byte(0);
  size_t length;
  std::uint32_t code;
  if (lead < 0x80) return 1;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    code = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    code = lead & 0x0F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    code = lead & 0x07;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  for (size_t i = 1; i < length; ++i) {
    if ((byte(i) & 0xC0) != 0x80) return 0;
    code = (code << 6) | (byte(i) & 0x3F);
  }
  // Overlong forms, surrogates and values past U+10FFFF are not UTF-8.
  static constexpr std::uint32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
  if (code < kSmallest[length] || (code >= 0xD800 && code <= 0xDFFF) ||
      code > 0x10FFFF) {
    return 0;
  }
  return length;
}

}  // namespace

void JsonEmitter::NewLine(size_t depth) {
  out_ << '\n';
  for (size_t i = 0; i < depth; ++i) out_ << "  ";
}

void JsonEmitter::BeforeValue() {
  if (afterKey_) {
    afterKey_ = false;
    return;
  }
  if (levels_.empty()) return;
  Level& level = levels_.back();
  if (level.entries++ > 0) out_ << ',';
  if (!pretty_) return;
  if (level.inlineEntries) {
    if (level.entries > 1) out_ << ' ';
  } else {
    NewLine(levels_.size());
  }
}

void JsonEmitter::BeginObject(bool inlineEntries) {
  BeforeValue();
  out_ << '{';
  levels_.push_back({false, inlineEntries});
}

void JsonEmitter::EndObject() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (pretty_ && level.entries > 0 && !level.inlineEntries) {
    NewLine(levels_.size());
  }
  out_ << '}';
  if (levels_.empty() && pretty_) out_ << '\n';
}

void JsonEmitter::BeginArray(bool inlineEntries) {
  BeforeValue();
  out_ << '[';
  levels_.push_back({true, inlineEntries});
}

void JsonEmitter::EndArray() {
  const Level level = levels_.back();
  levels_.pop_back();
  if (pretty_ && level.entries > 0 && !level.inlineEntries) {
    NewLine(levels_.size());
  }
  out_ << ']';
  if (levels_.empty() && pretty_) out_ << '\n';
}

void JsonEmitter::Key(std::string_view key) {
  BeforeValue();
  Quoted(key);
  out_ << (pretty_ ? ": " : ":");
  afterKey_ = true;
}

void JsonEmitter::String(std::string_view text) {
  BeforeValue();
  Quoted(text);
}

void JsonEmitter::Integer(std::int64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Number(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void JsonEmitter::Unsigned(std::uint64_t value) {
  char digits[24];
  auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
  Number(std::string_view(digits, static_cast<size_t>(end - digits)));
}

void JsonEmitter::Number(std::string_view text) {
  BeforeValue();
  out_ << text;
}

void JsonEmitter::Bool(bool value) {
  BeforeValue();
  out_ << (value ? "true" : "false");
}

void JsonEmitter::Quoted(std::string_view text) {
  static constexpr char kHex[] = "0123456789abcdef";
  out_ << '"';
  size_t plain = 0;  // start of the bytes not yet written
  size_t i = 0;
  auto flush = [&] { out_.write(text.data() + plain, i - plain); };
  while (i < text.size()) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    if (c >= 0x20 && c != '"' && c != '\\' && c < 0x80) {
      ++i;
      continue;
    }
    if (c >= 0x80) {
      size_t length = Utf8SequenceLength(text.substr(i));
      if (length > 0) {
        i += length;
        continue;
      }
    }
    flush();
    switch (c) {
      case '"':
        out_ << "\\\"";
        break;
      case '\\':
        out_ << "\\\\";
        break;
      case '\n':
        out_ << "\\n";
        break;
      case '\r':
        out_ << "\\r";
        break;
      case '\t':
        out_ << "\\t";
        break;
      case '\b':
        out_ << "\\b";
        break;
      case '\f':
        out_ << "\\f";
        break;
      default:
        if (c < 0x20) {
          out_ << "\\u00" << kHex[c >> 4] << kHex[c & 0x0F];
        } else {
          out_ << "\xEF\xBF\xBD";  // U+FFFD for a byte that is not UTF-8
        }
    }
    plain = ++i;
  }
  flush();
  out_ << '"';
}

}  // namespace dsrtool
