// A streaming JSON writer: values go to the stream as they are given, so a
// record of any size is printed without a JSON tree beside it.
//
// Pretty output indents by two blanks and prints an array of plain values
// (numbers, booleans, texts) on one line, so a table of numbers stays one
// line, and so are small objects asked for inline. Compact output has no blank
// or line break at all. Texts are UTF-8; a byte that is not part of a valid
// UTF-8 sequence is printed as U+FFFD.
#pragma once

#include <cstdint>
#include <ostream>
#include <string_view>
#include <vector>

namespace dsrtool {

class JsonEmitter {
 public:
  JsonEmitter(std::ostream& out, bool pretty) : out_(out), pretty_(pretty) {}

  // `inlineEntries`: in pretty output, keep the members on the object's
  // line ({"l": 50.0, "a": -4.5, "b": 1.25}).
  void BeginObject(bool inlineEntries = false);
  void EndObject();
  // `inlineEntries`: in pretty output, keep the entries on the array's line.
  void BeginArray(bool inlineEntries = false);
  void EndArray();
  // The key of the next value of the open object.
  void Key(std::string_view key);

  void String(std::string_view text);
  void Integer(std::int64_t value);
  void Unsigned(std::uint64_t value);
  // A number already formatted as JSON ("1.5", "1e+300").
  void Number(std::string_view text);
  void Bool(bool value);

 private:
  struct Level {
    bool array;
    bool inlineEntries;
    size_t entries = 0;
  };

  // Separator and indentation before a value or a key.
  void BeforeValue();
  void NewLine(size_t depth);
  void Quoted(std::string_view text);

  std::ostream& out_;
  bool pretty_;
  bool afterKey_ = false;
  std::vector<Level> levels_;
};

}  // namespace dsrtool
