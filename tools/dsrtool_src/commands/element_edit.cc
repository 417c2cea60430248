#include "tools/dsrtool_src/commands/element_edit.h"

#include <algorithm>
#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "devseries/platform/dom.h"

namespace dsrtool {

namespace {

// Pieces smaller than this are gathered before they are handed on.
constexpr size_t kGather = size_t{64} << 10;
// The bytes already handed on are dropped from the buffer past this.
constexpr size_t kKeepAtMost = size_t{1} << 20;

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

// The first `c` in [at, end), or end. Most runs between markup are short
// (a line break and an indent, a number), so eight bytes at a time are
// looked at here before the library's search takes over.
const char* FindByte(const char* at, const char* end, char c) {
  if constexpr (std::endian::native == std::endian::little) {
    constexpr std::uint64_t kOnes = 0x0101010101010101u;
    constexpr std::uint64_t kHighs = 0x8080808080808080u;
    const std::uint64_t pattern = kOnes * static_cast<unsigned char>(c);
    for (int words = 0; words < 8 && end - at >= 8; ++words, at += 8) {
      std::uint64_t word;
      std::memcpy(&word, at, sizeof word);
      word ^= pattern;
      // The lowest high bit set marks the first byte that is `c`.
      const std::uint64_t found = (word - kOnes) & ~word & kHighs;
      if (found != 0) return at + (std::countr_zero(found) >> 3);
    }
  }
  const void* found = std::memchr(at, c, static_cast<size_t>(end - at));
  return found != nullptr ? static_cast<const char*>(found) : end;
}

bool AllBlank(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsBlank);
}

// Appends the code point `code` as UTF-8; false for one XML does not allow.
bool AppendCharacter(std::uint32_t code, std::string& out) {
  const bool allowed = code == 0x9 || code == 0xA || code == 0xD ||
                       (code >= 0x20 && code <= 0xD7FF) ||
                       (code >= 0xE000 && code <= 0xFFFD) ||
                       (code >= 0x10000 && code <= 0x10FFFF);
  if (!allowed) return false;
  if (code < 0x80) {
    out += static_cast<char>(code);
  } else if (code < 0x800) {
    out += static_cast<char>(0xC0 | code >> 6);
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else if (code < 0x10000) {
    out += static_cast<char>(0xE0 | code >> 12);
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | code >> 18);
    out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
    out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
    out += static_cast<char>(0x80 | (code & 0x3F));
  }
  return true;
}

// Appends the text `raw` stands for, as the parser reads it: line ends as
// line feeds and, outside a CDATA section, the five predefined entities and
// character references resolved (a file has no others: the reader refuses
// document type declarations). False when it holds what the parser would
// refuse.
bool AppendText(std::string_view raw, bool cdata, std::string& out) {
  std::string scratch;
  if (devseries::platform::XmlSafeText(raw, scratch).data() != raw.data()) {
    return false;
  }
  for (size_t i = 0; i < raw.size(); ++i) {
    const char c = raw[i];
    if (c == '\r') {
      out += '\n';
      if (i + 1 < raw.size() && raw[i + 1] == '\n') ++i;
      continue;
    }
    if (c != '&' || cdata) {
      if (c == '>' && !cdata && raw.substr(i).starts_with(">") && i >= 2 &&
          raw.substr(i - 2, 2) == "]]") {
        return false;  // "]]>" may not stand in text
      }
      out += c;
      continue;
    }
    const size_t end = raw.find(';', i);
    if (end == std::string_view::npos) return false;
    const std::string_view name = raw.substr(i + 1, end - i - 1);
    i = end;
    if (name == "lt") {
      out += '<';
    } else if (name == "gt") {
      out += '>';
    } else if (name == "amp") {
      out += '&';
    } else if (name == "quot") {
      out += '"';
    } else if (name == "apos") {
      out += '\'';
    } else if (name.size() > 1 && name[0] == '#') {
      const bool hex = name[1] == 'x';
      const std::string_view digits = name.substr(hex ? 2 : 1);
      if (digits.empty() || digits.size() > 8) return false;
      std::uint32_t code = 0;
      for (char d : digits) {
        int value = -1;
        if (d >= '0' && d <= '9') {
          value = d - '0';
        } else if (hex && d >= 'a' && d <= 'f') {
          value = d - 'a' + 10;
        } else if (hex && d >= 'A' && d <= 'F') {
          value = d - 'A' + 10;
        }
        if (value < 0) return false;
        code = code * (hex ? 16 : 10) + static_cast<std::uint32_t>(value);
      }
      if (!AppendCharacter(code, out)) return false;
    } else {
      return false;
    }
  }
  return true;
}

// The value of the pseudo-attribute `name` in an XML declaration's data;
// empty when it has none.
std::string_view DeclarationValue(std::string_view data,
                                  std::string_view name) {
  size_t at = data.find(name);
  if (at == std::string_view::npos) return {};
  at += name.size();
  while (at < data.size() && IsBlank(data[at])) ++at;
  if (at >= data.size() || data[at] != '=') return {};
  ++at;
  while (at < data.size() && IsBlank(data[at])) ++at;
  if (at >= data.size() || (data[at] != '"' && data[at] != '\'')) return {};
  const size_t end = data.find(data[at], at + 1);
  if (end == std::string_view::npos) return {};
  return data.substr(at + 1, end - at - 1);
}

bool SameLetters(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) ==
                  std::tolower(static_cast<unsigned char>(y));
         });
}

size_t LanguageOf(std::string_view name) {
  const auto& keys = LanguageKeys();
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == name) return i;
  }
  return keys.size();
}

}  // namespace

ElementEditor::ElementEditor(const RecordShape& root,
                             const std::vector<Plan>& plans)
    : root_(root),
      plans_(plans),
      reached_(plans.size(), std::string(root.element)),
      reachedStep_(plans.size(), 0) {}

bool ElementEditor::Feed(std::string_view bytes, const Sink& out) {
  if (stopped_) return false;
  buf_.append(bytes);
  Process(false);
  if (!Pump(out, false)) return false;
  Compact();
  return true;
}

bool ElementEditor::Finish(const Sink& out) {
  if (stopped_) return false;
  Process(true);
  return Pump(out, true);
}

void ElementEditor::Compact() {
  const size_t handed = emitted_ - base_;
  if (handed < kKeepAtMost || handed < buf_.size() / 2) return;
  buf_.erase(0, handed);
  base_ = emitted_;
  pos_ -= handed;
  resume_ = resume_ > handed ? resume_ - handed : 0;
}

void ElementEditor::Refuse(const std::string& why) {
  // The rest is handed on as it is, so that the reader still says what it
  // thinks of the whole file.
  if (!refusal_) refusal_.emplace(base_ + pos_, why);
}

void ElementEditor::Irregular(const Frame& frame, const std::string& what) {
  Refuse(what + " in " + frame.path +
         ", where the library's reader takes the elements by other rules; "
         "set changes no value there");
}

void ElementEditor::Reach(const Cursor& cursor) {
  if (cursor.gates.empty() && cursor.step > reachedStep_[cursor.plan]) {
    reachedStep_[cursor.plan] = cursor.step;
    reached_[cursor.plan] = cursor.path;
  }
}

#if defined(__SSE2__)

namespace {

// The bits of the 64 bytes at `at` that are '<', '>' and a quote.
struct Marks {
  std::uint64_t open = 0;
  std::uint64_t close = 0;
  std::uint64_t quote = 0;
};
Marks MarksAt(const char* at) {
  const __m128i open = _mm_set1_epi8('<');
  const __m128i close = _mm_set1_epi8('>');
  const __m128i quote = _mm_set1_epi8('"');
  const __m128i apostrophe = _mm_set1_epi8('\'');
  Marks marks;
  for (int i = 0; i < 4; ++i) {
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(at + 16 * i));
    const auto bits = [&](__m128i found) {
      return static_cast<std::uint64_t>(
                 static_cast<std::uint16_t>(_mm_movemask_epi8(found)))
             << (16 * i);
    };
    marks.open |= bits(_mm_cmpeq_epi8(bytes, open));
    marks.close |= bits(_mm_cmpeq_epi8(bytes, close));
    marks.quote |= bits(_mm_or_si128(_mm_cmpeq_epi8(bytes, quote),
                                     _mm_cmpeq_epi8(bytes, apostrophe)));
  }
  return marks;
}

}  // namespace

const char* ElementEditor::SkipTags(const char* at, const char* end) {
  // 64 bytes at a time, from the marks of their '<', '>' and quotes: a tag
  // runs from a '<' to the next '>'. A comment, a CDATA section, a
  // processing instruction and a tag with a quoted value are left to the
  // tokens, as is what is left of the bytes, stopping at the tag's '<'.
  const char* tag = nullptr;
  bool endTag = false;
  for (; end - at > 64; at += 64) {
    const Marks marks = MarksAt(at);
    for (std::uint64_t bits = marks.open | marks.close | marks.quote; bits != 0;
         bits &= bits - 1) {
      const char* p = at + std::countr_zero(bits);
      if (*p == '<') {
        if (tag != nullptr || p[1] == '!' || p[1] == '?') {
          return tag != nullptr ? tag : p;
        }
        tag = p;
        endTag = p[1] == '/';
      } else if (tag == nullptr) {
        continue;  // '>' or a quote in text
      } else if (*p != '>') {
        return tag;
      } else {
        tag = nullptr;
        if (endTag) {
          if (--skipped_ == 0) return p + 1;
        } else if (p[-1] != '/') {
          ++skipped_;
        }
      }
    }
  }
  return tag != nullptr ? tag : at;
}

#else

const char* ElementEditor::SkipTags(const char* at, const char*) { return at; }

#endif

void ElementEditor::Process(bool final) {
  // A token cut off by the end of the bytes so far waits for the next ones;
  // at the end of the file it is markup the editor cannot follow.
  const auto more = [&] {
    if (final) malformed_ = true;
  };
  while (!stopped_ && pos_ < buf_.size()) {
    const char* data = buf_.data();
    const size_t size = buf_.size();
    if (malformed_ || refusal_) {
      pos_ = size;
      return;
    }
    if (!started_) {
      if (size - pos_ < 4 && !final) return;
      started_ = true;
      const std::string_view head(data + pos_,
                                  std::min<size_t>(4, size - pos_));
      if (head.starts_with("\xEF\xBB\xBF")) {
        pos_ += 3;
      } else if (head.size() >= 2 && (head[0] == '\0' || head[1] == '\0' ||
                                      head.starts_with("\xFE\xFF") ||
                                      head.starts_with("\xFF\xFE"))) {
        Refuse("the file is not UTF-8, and set edits UTF-8 files only");
      }
      continue;
    }
    if (skipped_ > 0) {
      // Inside an element passed over: only its end is looked for, by
      // counting start and end tags; anything else is left to the tokens
      // below.
      const char* at = data + pos_;
      const char* const end = data + size;
      while (skipped_ > 0) {
        at = SkipTags(at, end);
        if (skipped_ == 0) break;
        const char* open = FindByte(at, end, '<');
        if (end - open < 2 || open[1] == '!' || open[1] == '?') {
          at = open;
          break;
        }
        const char* close = open + 1;
        if (*close == '/') {
          close = FindByte(close, end, '>');
          if (close == end) {
            at = open;
            break;
          }
          --skipped_;
        } else {
          char quote = 0;
          for (; close < end; ++close) {
            const char c = *close;
            if (quote != 0) {
              if (c == quote) quote = 0;
            } else if (c == '"' || c == '\'') {
              quote = c;
            } else if (c == '>' || c == '<') {
              break;
            }
          }
          if (close == end || *close == '<') {
            at = open;
            break;
          }
          if (close[-1] != '/') ++skipped_;
        }
        at = close + 1;
      }
      const size_t reached = static_cast<size_t>(at - data);
      if (reached != pos_) {
        pos_ = reached;
        resume_ = 0;
        continue;
      }
    }
    if (data[pos_] != '<') {
      const size_t from = std::max(pos_, resume_);
      const size_t end = FindByte(data + from, data + size, '<') - data;
      if (end == size && !final) {
        resume_ = size;
        return;
      }
      if (skipped_ == 0) Text(pos_, end, false);
      pos_ = end;
      resume_ = 0;
      continue;
    }
    const std::string_view rest(data + pos_, size - pos_);
    if (rest.size() < 2) return more();
    const size_t from = std::max(pos_, resume_);
    if (rest[1] == '/') {
      const size_t close = FindByte(data + from, data + size, '>') - data;
      if (close == size) {
        resume_ = size;
        return more();
      }
      const size_t after = close + 1;
      if (skipped_ > 0) {
        --skipped_;
        pos_ = after;
        resume_ = 0;
        continue;
      }
      size_t nameEnd = pos_ + 2;
      while (nameEnd < close && !IsBlank(data[nameEnd])) ++nameEnd;
      const std::string_view name(data + pos_ + 2, nameEnd - pos_ - 2);
      if ((depth_ > 0 && frames_[depth_ - 1].name != name) ||
          !AllBlank(std::string_view(data + nameEnd, close - nameEnd))) {
        malformed_ = true;
        continue;
      }
      EndElement(base_ + pos_, base_ + after);
      pos_ = after;
      resume_ = 0;
      continue;
    }
    if (rest[1] == '?') {
      const size_t end = rest.find("?>", std::max<size_t>(2, from - pos_));
      if (end == std::string_view::npos) {
        resume_ = size - 1;
        return more();
      }
      size_t target = 2;
      while (target < end && !IsBlank(rest[target])) ++target;
      Instruction(rest.substr(2, target - 2),
                  rest.substr(target, end - target));
      pos_ += end + 2;
      resume_ = 0;
      continue;
    }
    if (rest[1] == '!') {
      if (rest.size() < 4 && std::string_view("<!--").starts_with(rest)) {
        return more();
      }
      if (rest.starts_with("<!--")) {
        const size_t end = rest.find("-->", std::max<size_t>(4, from - pos_));
        if (end == std::string_view::npos) {
          resume_ = size - 2;
          return more();
        }
        Comment();
        pos_ += end + 3;
        resume_ = 0;
        continue;
      }
      constexpr std::string_view kCdata = "<![CDATA[";
      if (rest.size() < kCdata.size() && kCdata.starts_with(rest)) {
        return more();
      }
      if (rest.starts_with(kCdata)) {
        const size_t end =
            rest.find("]]>", std::max(kCdata.size(), from - pos_));
        if (end == std::string_view::npos) {
          resume_ = size - 2;
          return more();
        }
        Text(pos_ + kCdata.size(), pos_ + end, true);
        pos_ += end + 3;
        resume_ = 0;
        continue;
      }
      Refuse(
          "a document type declaration, which the library's reader refuses "
          "too");
      return;
    }
    // A start tag: its name, then its attributes up to ">" (which a quoted
    // value may hold, "<" not).
    size_t nameEnd = pos_ + 1;
    while (nameEnd < size && !IsBlank(data[nameEnd]) && data[nameEnd] != '>' &&
           data[nameEnd] != '/') {
      ++nameEnd;
    }
    if (nameEnd == size) return more();
    if (nameEnd == pos_ + 1) {
      malformed_ = true;
      continue;
    }
    size_t at = std::max(nameEnd, resume_);
    char quote = quote_;
    for (; at < size; ++at) {
      const char c = data[at];
      if (quote != 0) {
        if (c == quote) quote = 0;
      } else if (c == '"' || c == '\'') {
        quote = c;
      } else if (c == '>' || c == '<') {
        break;
      }
    }
    if (at == size) {
      resume_ = size;
      quote_ = quote;
      return more();
    }
    quote_ = 0;
    resume_ = 0;
    if (data[at] == '<') {
      malformed_ = true;
      continue;
    }
    const bool selfClosing = data[at - 1] == '/';
    StartElement(std::string_view(data + pos_ + 1, nameEnd - pos_ - 1),
                 base_ + pos_, base_ + at + 1, selfClosing);
    pos_ = at + 1;
  }
}

void ElementEditor::Text(size_t from, size_t to, bool cdata) {
  if (skipped_ > 0 || depth_ == 0) return;
  Frame& frame = frames_[depth_ - 1];
  const std::string_view raw(buf_.data() + from, to - from);
  if (frame.kind == Kind::kValue) {
    if ((frame.collect != 0 || frame.candidate >= 0) &&
        !AppendText(raw, cdata, frame.text)) {
      malformed_ = true;
    }
    return;
  }
  // Blank text between elements is no node; other text is.
  if (!cdata && AllBlank(raw)) return;
  if (frame.kind == Kind::kRecord) {
    if (frame.children < frame.record->positional) {
      Irregular(frame, "text among the positional members");
    }
  } else if (frame.kind == Kind::kList) {
    const RowShape& row = *frame.row;
    if ((row.layout == Layout::kRecordList &&
         row.entries == model::Entries::kEvery) ||
        (row.layout == Layout::kValueList && !row.onlyItems) ||
        ((row.layout == Layout::kSlots || row.layout == Layout::kRecordSlots) &&
         frame.children < row.shape->fixed)) {
      Irregular(frame, "text among the entries");
    }
  }
}

void ElementEditor::Comment() {
  if (skipped_ > 0 || depth_ == 0) return;
  const Frame& frame = frames_[depth_ - 1];
  switch (frame.kind) {
    case Kind::kValue:
      return Irregular(frame, "a comment inside the value");
    case Kind::kRecord:
      if (frame.children < frame.record->positional) {
        Irregular(frame, "a comment among the positional members");
      }
      return;
    case Kind::kList: {
      const RowShape& row = *frame.row;
      if ((row.layout == Layout::kRecordList &&
           row.entries == model::Entries::kEvery) ||
          (row.layout == Layout::kValueList && !row.onlyItems) ||
          ((row.layout == Layout::kSlots ||
            row.layout == Layout::kRecordSlots) &&
           frame.children < row.shape->fixed)) {
        Irregular(frame, "a comment among the entries");
      }
      return;
    }
    default:
      return;
  }
}

void ElementEditor::Instruction(std::string_view target,
                                std::string_view data) {
  if (depth_ == 0) {
    if (target != "xml") return;
    const std::string_view encoding = DeclarationValue(data, "encoding");
    if (!encoding.empty() && !SameLetters(encoding, "UTF-8") &&
        !SameLetters(encoding, "UTF8")) {
      Refuse("the file declares the encoding " + std::string(encoding) +
             ", and set edits UTF-8 files only");
    }
    return;
  }
  if (skipped_ > 0) return;
  const Frame& frame = frames_[depth_ - 1];
  const std::string what =
      "the processing instruction <?" + std::string(target) + "?>";
  switch (frame.kind) {
    case Kind::kValue:
    case Kind::kRecord:
      return Irregular(frame, what);
    case Kind::kLanguages:
      if (LanguageOf(target) < devseries::kLanguageCount) {
        Irregular(frame, what);
      }
      return;
    case Kind::kList: {
      const RowShape& row = *frame.row;
      const bool entryNamed = row.layout == Layout::kRecordList
                                  ? target == row.entryElement
                                  : target == row.item;
      if ((row.layout == Layout::kRecordList &&
           (row.entries == model::Entries::kEvery ||
            (row.entries == model::Entries::kNodesNamed && entryNamed))) ||
          (row.layout == Layout::kValueList &&
           (!row.onlyItems || entryNamed)) ||
          ((row.layout == Layout::kSlots ||
            row.layout == Layout::kRecordSlots) &&
           frame.children < row.shape->fixed)) {
        Irregular(frame, what);
      }
      return;
    }
    default:
      return;
  }
}

ElementEditor::Frame& ElementEditor::Push(Kind kind, std::string_view name) {
  if (depth_ == frames_.size()) frames_.emplace_back();
  Frame& frame = frames_[depth_++];
  frame.kind = kind;
  frame.record = nullptr;
  frame.row = nullptr;
  frame.name.assign(name);
  frame.path.clear();
  frame.cursors.clear();
  frame.children = 0;
  frame.seen.clear();
  frame.pendings.clear();
  frame.indexText.reset();
  frame.labelText.reset();
  frame.watchEnglish = false;
  frame.collect = 0;
  frame.owner = 0;
  frame.candidate = -1;
  frame.text.clear();
  return frame;
}

void ElementEditor::StartElement(std::string_view name, size_t tagStart,
                                 size_t after, bool selfClosing) {
  if (skipped_ > 0) {
    if (!selfClosing) ++skipped_;
    return;
  }
  const auto skip = [&] {
    if (!selfClosing) ++skipped_;
  };
  if (depth_ == 0) {
    if (rootSeen_) {
      malformed_ = true;
      return;
    }
    rootSeen_ = true;
    if (name != root_.element) {
      Refuse("the root element is " + std::string(name) + ", not " +
             std::string(root_.element));
      return;
    }
    Frame& frame = Push(Kind::kRecord, name);
    frame.record = &root_;
    frame.path = std::string(root_.element);
    frame.seen.assign(root_.rows.size(), 0);
    for (size_t plan = 0; plan < plans_.size(); ++plan) {
      frame.cursors.push_back(
          {static_cast<std::uint32_t>(plan), 0, frame.path, {}});
    }
    if (selfClosing) EndElement(after, after);
    return;
  }

  const size_t parentAt = depth_ - 1;
  Frame& parent = frames_[parentAt];
  if (parent.kind == Kind::kValue) {
    return Irregular(parent,
                     "the element " + std::string(name) + " inside the value");
  }
  if (parent.kind == Kind::kDocument) return skip();
  if (name.find(':') != std::string_view::npos) {
    return Irregular(parent, "the prefixed element " + std::string(name));
  }

  // What the child is: a record's member, a list's entry, a language.
  std::vector<Cursor> cursors;
  Kind kind = Kind::kValue;
  const RecordShape* record = nullptr;
  const RowShape* listRow = nullptr;
  std::string path;
  int collect = 0;
  size_t owner = parentAt;
  bool watchEnglish = false;
  std::vector<Pending> pendings;
  if (parent.kind == Kind::kRecord) {
    const RecordShape& shape = *parent.record;
    const RowShape* row = nullptr;
    if (parent.children < shape.positional) {
      row = &shape.rows[parent.children++];
      if (!row->anyName && name != row->element) {
        return Irregular(parent, "the element " + std::string(name) +
                                     " where the reader takes " +
                                     std::string(row->element));
      }
    } else {
      row = shape.Named(name);
      if (row == nullptr) return skip();
    }
    path = parent.path + "." + std::string(row->member);
    for (const Cursor& cursor : parent.cursors) {
      const PlanStep& step = plans_[cursor.plan].steps[cursor.step];
      if (step.kind == PlanStep::kRow && step.row == row) {
        cursors.push_back({cursor.plan, cursor.step + 1, path, cursor.gates});
      }
    }
    for (const Pending& pending : parent.pendings) {
      if (pending.step->selectBy == row) collect = row == shape.index ? 1 : 2;
    }
    if (cursors.empty() && collect == 0) return skip();
    if (!row->positional && parent.seen[row - shape.rows.data()]++ > 0) {
      return Refuse(parent.path + " holds the element " + std::string(name) +
                    " twice; set changes only values a file holds once");
    }
    switch (row->layout) {
      case Layout::kValue:
        break;
      case Layout::kRecord:
        kind = Kind::kRecord;
        record = row->shape->record;
        break;
      case Layout::kLanguageSet:
        kind = Kind::kLanguages;
        watchEnglish = collect == 2;
        collect = 0;
        break;
      case Layout::kRecordList:
      case Layout::kRecordSlots:
      case Layout::kValueList:
      case Layout::kSlots:
        kind = Kind::kList;
        listRow = row;
        break;
      default:
        return skip();
    }
  } else if (parent.kind == Kind::kList) {
    const RowShape& row = *parent.row;
    bool entry = true;
    switch (row.layout) {
      case Layout::kRecordList:
        if (name != row.entryElement) {
          if (row.entries == model::Entries::kEvery) {
            return Irregular(parent, "the element " + std::string(name) +
                                         " among the entries");
          }
          entry = false;
        }
        break;
      case Layout::kValueList:
        if (name != row.item) {
          if (row.onlyItems) {
            entry = false;
          } else if (!row.numbered) {
            return Irregular(parent, "the element " + std::string(name) +
                                         " among the entries");
          }
        }
        break;
      default: {  // a fixed table, read in order
        if (parent.children >= row.shape->fixed) {
          entry = false;
          break;
        }
        const std::string_view expected =
            row.layout == Layout::kSlots
                ? (row.readName != nullptr ? row.readName(parent.children)
                                           : std::string_view())
                : row.entryElement;
        if (!expected.empty() && name != expected) {
          return Irregular(parent, "the element " + std::string(name) +
                                       " where the reader takes " +
                                       std::string(expected));
        }
      }
    }
    if (!entry) return skip();
    const size_t n = parent.children++;
    path = parent.path + "[" + std::to_string(n) + "]";
    for (const Cursor& cursor : parent.cursors) {
      const PlanStep& step = plans_[cursor.plan].steps[cursor.step];
      if (step.kind != PlanStep::kEntry || step.row != &row) continue;
      if (step.entry.kind == PathStep::kIndex && step.entry.index != n) {
        continue;
      }
      Cursor next{cursor.plan, cursor.step + 1, path, cursor.gates};
      if (step.entry.kind == PathStep::kSelect) {
        const auto gate = static_cast<std::uint32_t>(gates_.size());
        gates_.push_back(0);
        next.gates.push_back(gate);
        pendings.push_back({gate, &step});
      }
      cursors.push_back(std::move(next));
    }
    if (cursors.empty()) return skip();
    if (row.layout == Layout::kRecordList ||
        row.layout == Layout::kRecordSlots) {
      kind = Kind::kRecord;
      record = row.shape->entry->record;
    }
  } else {  // a language set
    const size_t language = LanguageOf(name);
    if (language >= devseries::kLanguageCount) return skip();
    path = parent.path + "." + std::string(name);
    for (const Cursor& cursor : parent.cursors) {
      const PlanStep& step = plans_[cursor.plan].steps[cursor.step];
      if (step.kind == PlanStep::kLanguage && step.language == language) {
        cursors.push_back({cursor.plan, cursor.step + 1, path, cursor.gates});
      }
    }
    if (parent.watchEnglish && language == 0) {
      collect = 2;
      owner = parent.owner;
    }
    if (cursors.empty() && collect == 0) return skip();
    if (parent.seen[language]++ > 0) {
      return Refuse(parent.path + " holds the language " + std::string(name) +
                    " twice; set changes only values a file holds once");
    }
  }

  // The child's frame; `parent` may move now.
  long leaf = -1;
  for (size_t i = 0; i < cursors.size(); ++i) {
    Reach(cursors[i]);
    if (cursors[i].step < plans_[cursors[i].plan].steps.size()) continue;
    if (leaf >= 0) {
      return Refuse(plans_[cursors[leaf].plan].given + " and " +
                    plans_[cursors[i].plan].given + " both change " +
                    cursors[i].path + "; give each value once");
    }
    leaf = static_cast<long>(i);
  }
  Frame& frame = Push(kind, name);
  frame.record = record;
  frame.row = listRow;
  frame.path = std::move(path);
  frame.collect = collect;
  frame.owner = owner;
  frame.watchEnglish = watchEnglish;
  frame.pendings = std::move(pendings);
  if (kind == Kind::kRecord) frame.seen.assign(record->rows.size(), 0);
  if (kind == Kind::kLanguages) frame.seen.assign(devseries::kLanguageCount, 0);
  if (leaf >= 0) {
    const Cursor& cursor = cursors[static_cast<size_t>(leaf)];
    Candidate candidate;
    candidate.change = {cursor.plan, cursor.path, tagStart};
    candidate.gates = cursor.gates;
    const std::string& text = plans_[cursor.plan].value.text;
    if (selfClosing) {
      // <name/> becomes <name>text</name>.
      candidate.start = after - 2;
      candidate.end = after;
      candidate.open = false;
      candidate.replacement = text.empty()
                                  ? std::string("/>")
                                  : ">" + text + "</" + std::string(name) + ">";
    } else {
      candidate.start = after;
      candidate.replacement = text;
    }
    frame.candidate = firstCandidate_ + static_cast<long>(candidates_.size());
    candidates_.push_back(std::move(candidate));
  }
  frame.cursors = std::move(cursors);
  if (selfClosing) EndElement(after, after);
}

void ElementEditor::EndElement(size_t tagStart, size_t) {
  if (skipped_ > 0) {
    --skipped_;
    return;
  }
  if (depth_ == 0) {
    malformed_ = true;
    return;
  }
  EndFrame(frames_[depth_ - 1], tagStart);
  --depth_;
}

void ElementEditor::EndFrame(Frame& frame, size_t endTag) {
  switch (frame.kind) {
    case Kind::kRecord: {
      const RecordShape& shape = *frame.record;
      if (frame.children < shape.positional) {
        return Irregular(
            frame,
            "a missing " + std::string(shape.rows[frame.children].element));
      }
      for (const Pending& pending : frame.pendings) {
        const PlanStep& step = *pending.step;
        bool passes;
        if (step.selectBy == shape.index) {
          const std::int64_t value =
              frame.indexText ? ReadIndexText(*step.selectBy, *frame.indexText)
                              : shape.indexDefault;
          passes = value == step.selectIndex;
        } else {
          passes = (frame.labelText ? *frame.labelText : shape.labelDefault) ==
                   step.entry.value;
        }
        gates_[pending.gate] = passes ? 1 : 2;
      }
      return;
    }
    case Kind::kList: {
      const RowShape& row = *frame.row;
      if ((row.layout == Layout::kSlots ||
           row.layout == Layout::kRecordSlots) &&
          frame.children < row.shape->fixed) {
        Irregular(frame, "fewer entries than the table holds");
      }
      return;
    }
    case Kind::kValue:
      if (frame.collect != 0) {
        Frame& owner = frames_[frame.owner];
        (frame.collect == 1 ? owner.indexText : owner.labelText) = frame.text;
      }
      if (frame.candidate >= firstCandidate_) {
        Candidate& candidate =
            candidates_[static_cast<size_t>(frame.candidate - firstCandidate_)];
        if (candidate.open) {
          candidate.end = endTag;
          candidate.open = false;
        }
      }
      return;
    default:
      return;
  }
}

bool ElementEditor::FlushOut(const Sink& out) {
  if (out_.empty()) return true;
  const bool more = out(out_);
  out_.clear();
  if (!more) stopped_ = true;
  return more;
}

bool ElementEditor::Emit(std::string_view piece, const Sink& out) {
  if (piece.empty()) return true;
  if (out_.size() + piece.size() <= kGather) {
    out_.append(piece);
    return true;
  }
  if (!FlushOut(out)) return false;
  if (piece.size() < kGather) {
    out_.append(piece);
    return true;
  }
  if (!out(piece)) {
    stopped_ = true;
    return false;
  }
  return true;
}

bool ElementEditor::Pump(const Sink& out, bool final) {
  size_t limit = base_ + (final ? buf_.size() : pos_);
  const auto bytes = [&](size_t from, size_t to) {
    return std::string_view(buf_.data() + (from - base_), to - from);
  };
  while (!candidates_.empty()) {
    Candidate& candidate = candidates_.front();
    bool open = candidate.open, fails = false;
    for (std::uint32_t gate : candidate.gates) {
      open = open || gates_[gate] == 0;
      fails = fails || gates_[gate] == 2;
    }
    if (open && !fails && !final) {
      limit = std::min(limit, candidate.start);
      break;
    }
    // At the end, one still open is in markup the editor could not follow.
    if (!open && !fails && !malformed_ && !refusal_) {
      if (!Emit(bytes(emitted_, candidate.start), out) ||
          !Emit(candidate.replacement, out)) {
        return false;
      }
      emitted_ = candidate.end;
      changes_.push_back(std::move(candidate.change));
    }
    candidates_.pop_front();
    ++firstCandidate_;
  }
  if (limit > emitted_) {
    if (!Emit(bytes(emitted_, limit), out)) return false;
    emitted_ = limit;
  }
  return FlushOut(out);
}

}  // namespace dsrtool
