// The field model's reader driven by the parser's events: records are
// filled from the model's rows as elements and texts arrive, with no tree.
//
// It reads what the DOM codecs read, the same way, for the files the
// writers make and the usual hand edits: positional members in order,
// optional members by name, unknown elements skipped whole, comments where
// the codecs pass over them. Wherever the DOM codecs would do something it
// does not follow step by step (a positional member out of place or
// missing, a comment or text counted as a member, a processing instruction
// whose target could name one, an element below a value, a prefixed name,
// a value that raises, a coerced value when warnings are collected, the
// memory bound passed) it hands the file over: the caller then reads it
// with the DOM codecs, which decide the outcome and the report. What it
// reads without handing over is what the DOM codecs read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "devseries/platform/dom.h"
#include "devseries/xmlio/field_model_internal.h"

namespace devseries::field_model::events {

using Attributes = std::vector<platform::DomEventHandler::Attribute>;

class Decoder;

// What an open element is read as. The decoder keeps one frame per open
// element; a frame's calls are the events of the element's children.
class Frame {
 public:
  // A child element `name` starts: the frame pushes the frame that reads it.
  virtual void Child(Decoder& d, std::string_view name,
                     const Attributes& attributes) = 0;
  // A piece of a text child; `first`: the first piece of its node.
  virtual void Text(Decoder& d, std::string_view piece, bool first);
  virtual void Comment(Decoder& d);
  virtual void Instruction(Decoder& d, std::string_view target);
  // The frame's element ends.
  virtual void End(Decoder&) {}
  // The frame of a child element has ended (and is gone).
  virtual void ChildEnded(Decoder&) {}

 protected:
  // Frames are ended by the decoder, which destroys only those that hold
  // something to let go of.
  ~Frame() = default;
};

// The stack of frames and what the frames share: the text of the value
// being read, whether warnings are collected, the memory charged.
class Decoder {
 public:
  // `top` reads the document's children (the root element); `document`
  // carries the memory bound.
  Decoder(platform::DomDocument& document, bool warnings, Frame& top)
      : document_(document), warnings_(warnings), slots_(new Slot[kDepth]) {
    frames_[0] = &top;
  }
  ~Decoder() {
    while (depth_ > 0) Pop();
  }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;

  // Pushes the frame of the element that just started.
  template <typename F, typename... Args>
  void Push(Args&&... args) {
    static_assert(sizeof(F) <= sizeof(Slot) && alignof(F) <= alignof(Slot));
    if (depth_ + 1 >= kDepth) {
      HandOver();
      return;
    }
    frames_[depth_ + 1] = new (&slots_[depth_]) F(std::forward<Args>(args)...);
    if constexpr (std::is_trivially_destructible_v<F>) {
      destroy_[depth_ + 1] = nullptr;
    } else {
      destroy_[depth_ + 1] = [](Frame* frame) { static_cast<F*>(frame)->~F(); };
    }
    ++depth_;
  }

  // The DOM codecs read the file, not this decoder.
  void HandOver() { handedOver_ = true; }
  bool handedOver() const { return handedOver_; }
  bool warnings() const { return warnings_; }
  // A value read otherwise than as its text stands: noted by the DOM
  // codecs when warnings are collected.
  void Coerced() {
    if (warnings_) HandOver();
  }
  // Charges what the DOM codecs charge for what they build.
  void Charge(std::uint64_t bytes) {
    if (!document_.ChargeMemory(bytes)) HandOver();
  }
  // The text of the value being read.
  std::string& text() { return text_; }
  // The open elements (1: the root element).
  int depth() const { return static_cast<int>(depth_); }
  Frame& top() { return *frames_[depth_]; }

  // The parser's events. Nothing is read once the file is handed over.
  void Start(std::string_view prefix, std::string_view name,
             const Attributes& attributes) {
    textGoesOn_ = false;
    const size_t depth = depth_;
    // A prefixed name is matched in full by the DOM codecs.
    if (!prefix.empty()) HandOver();
    if (!handedOver_) Guarded([&] { top().Child(*this, name, attributes); });
    // Every element has a frame while it is open.
    if (depth_ == depth && !handedOver_) HandOver();
  }
  void End() {
    textGoesOn_ = false;
    if (handedOver_ || depth_ == 0) return;
    Guarded([&] { top().End(*this); });
    Pop();
    Guarded([&] { top().ChildEnded(*this); });
  }
  void Text(std::string_view piece) {
    const bool first = !textGoesOn_;
    textGoesOn_ = true;
    if (!handedOver_) Guarded([&] { top().Text(*this, piece, first); });
  }
  void Comment() {
    textGoesOn_ = false;
    if (!handedOver_ && depth_ > 0) Guarded([&] { top().Comment(*this); });
  }
  void Instruction(std::string_view target) {
    textGoesOn_ = false;
    if (!handedOver_ && depth_ > 0) {
      Guarded([&] { top().Instruction(*this, target); });
    }
  }

 private:
  // Deeper than libxml2 parses without XML_PARSE_HUGE.
  static constexpr size_t kDepth = 260;
  struct alignas(std::max_align_t) Slot {
    std::byte bytes[256];
  };

  template <typename Step>
  void Guarded(Step&& step) {
    try {
      step();
    } catch (...) {
      // What raises decides through the DOM codecs, as does running out of
      // memory.
      HandOver();
    }
  }
  void Pop() {
    if (destroy_[depth_] != nullptr) destroy_[depth_](frames_[depth_]);
    --depth_;
  }

  platform::DomDocument& document_;
  bool warnings_;
  bool handedOver_ = false;
  bool textGoesOn_ = false;
  std::string text_;
  std::unique_ptr<Slot[]> slots_;
  std::array<Frame*, kDepth> frames_{};
  std::array<void (*)(Frame*), kDepth> destroy_{};
  size_t depth_ = 0;
};

inline void Frame::Text(Decoder& d, std::string_view, bool) { d.HandOver(); }
inline void Frame::Comment(Decoder& d) { d.HandOver(); }
inline void Frame::Instruction(Decoder& d, std::string_view) { d.HandOver(); }

// ------------------------------------------------------------------ frames

// An element read by no codec: everything below it is passed over.
class SkipFrame final : public Frame {
 public:
  void Child(Decoder& d, std::string_view, const Attributes&) override {
    d.Push<SkipFrame>();
  }
  void Text(Decoder&, std::string_view, bool) override {}
  void Comment(Decoder&) override {}
  void Instruction(Decoder&, std::string_view) override {}
};

// Decodes a value's text into `target`.
using Store = void (*)(Decoder& d, std::string_view text, void* target);

// An element read as one value from its text. A value with elements below
// it (whose texts the DOM codecs join) is handed over, as are comments and
// processing instructions in it.
class ValueFrame final : public Frame {
 public:
  ValueFrame(Decoder& d, Store store, void* target)
      : store_(store), target_(target) {
    d.text().clear();
  }
  void Child(Decoder& d, std::string_view, const Attributes&) override {
    d.HandOver();
  }
  void Text(Decoder& d, std::string_view piece, bool) override {
    d.text().append(piece);
  }
  void End(Decoder& d) override { store_(d, d.text(), target_); }

 private:
  Store store_;
  void* target_;
};

// The readers of values by type, as ReadValue reads them.
inline void StoreInt(Decoder& d, std::string_view text, void* target) {
  NumberFit fit;
  const std::int32_t value = ParseCLong(text, fit);
  if (fit != NumberFit::kExact && IntegerTextCoerced(text, fit, value)) {
    d.Coerced();
  }
  *static_cast<std::int32_t*>(target) = value;
}
inline double DoubleOf(Decoder& d, std::string_view text) {
  NumberFit fit;
  const double value = ParseCDouble(text, fit);
  if (fit != NumberFit::kExact) d.Coerced();
  return value;
}
inline void StoreDouble(Decoder& d, std::string_view text, void* target) {
  *static_cast<double*>(target) = DoubleOf(d, text);
}
inline void StoreFloat(Decoder& d, std::string_view text, void* target) {
  *static_cast<float*>(target) = NarrowToFloat(DoubleOf(d, text));
}
inline bool BoolOf(Decoder& d, std::string_view text) {
  if (text == "true") return true;
  if (text != "false") d.Coerced();
  return false;
}
inline void StoreBool(Decoder& d, std::string_view text, void* target) {
  *static_cast<bool*>(target) = BoolOf(d, text);
}
inline void StoreText(Decoder&, std::string_view text, void* target) {
  static_cast<std::string*>(target)->assign(text);
}

template <typename T>
constexpr Store StoreOf() {
  if constexpr (std::is_same_v<T, std::int32_t>) {
    return &StoreInt;
  } else if constexpr (std::is_same_v<T, double>) {
    return &StoreDouble;
  } else if constexpr (std::is_same_v<T, float>) {
    return &StoreFloat;
  } else if constexpr (std::is_same_v<T, bool>) {
    return &StoreBool;
  } else {
    static_assert(std::is_same_v<T, std::string>, "a value of no reader");
    return &StoreText;
  }
}

// Appends the value of the text to the std::vector<T> at `target`.
template <typename T>
void StoreAppended(Decoder& d, std::string_view text, void* target) {
  T value{};
  StoreOf<T>()(d, text, &value);
  static_cast<std::vector<T>*>(target)->push_back(value);
}

// A language set: each child element named after a language gives that
// entry its text (the last one wins); other children are passed over.
class LanguageSetFrame final : public Frame {
 public:
  explicit LanguageSetFrame(LanguageStringSet& set) : set_(set) {}
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (const size_t i = LanguageOf(name); i < kLanguageCount) {
      d.Push<ValueFrame>(d, &StoreText, &set_[i]);
    } else {
      d.Push<SkipFrame>();
    }
  }
  void Text(Decoder&, std::string_view, bool) override {}
  void Comment(Decoder&) override {}
  void Instruction(Decoder& d, std::string_view target) override {
    // The DOM codecs match a processing instruction's target as a name.
    if (LanguageOf(target) < kLanguageCount) d.HandOver();
  }

 private:
  static size_t LanguageOf(std::string_view name) {
    const auto& languages = LanguageNameTable();
    for (size_t i = 0; i < kLanguageCount; ++i) {
      if (name == languages[i]) return i;
    }
    return kLanguageCount;
  }
  LanguageStringSet& set_;
};

// A fixed number of values read from the first child elements in order (a
// time stamp's fields, a table's slots, a colour's channels), each an
// int32 until the frame's owner stores it; what follows them is passed
// over. `names`: the element each should be (empty: any).
template <size_t N>
class FirstValuesFrame : public Frame {
 public:
  using Names = std::array<std::string_view, N>;
  explicit FirstValuesFrame(const Names& names) : names_(names) {}
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (read_ >= N) {
      d.Push<SkipFrame>();
      return;
    }
    if (!names_[read_].empty() && name != names_[read_]) d.HandOver();
    d.Push<ValueFrame>(d, &StoreInt, &values_[read_]);
    ++read_;
  }
  void Text(Decoder& d, std::string_view, bool) override { Between(d); }
  void Comment(Decoder& d) override { Between(d); }
  void Instruction(Decoder& d, std::string_view) override { Between(d); }

 protected:
  bool complete() const { return read_ == N; }
  std::array<std::int32_t, N> values_{};

 private:
  void Between(Decoder& d) {
    if (read_ < N) d.HandOver();
  }
  Names names_;
  size_t read_ = 0;
};

// A time stamp: the first seven children, whatever their names, each
// keeping the low bits of its value (a value that does not fit is noted).
class TimeStampFrame final : public FirstValuesFrame<7> {
 public:
  explicit TimeStampFrame(TimeStamp& stamp)
      : FirstValuesFrame<7>(Names{}), stamp_(stamp) {}
  void ChildEnded(Decoder& d) override {
    if (++ended_ > 7) return;
    const std::int32_t value = values_[ended_ - 1];
    switch (ended_) {
      case 1:
        return Fit(d, value, stamp_.year);
      case 2:
        return Fit(d, value, stamp_.month);
      case 3:
        return Fit(d, value, stamp_.day);
      case 4:
        return Fit(d, value, stamp_.hour);
      case 5:
        return Fit(d, value, stamp_.minute);
      case 6:
        return Fit(d, value, stamp_.second);
      default:
        return Fit(d, value, stamp_.ms);
    }
  }
  void End(Decoder& d) override {
    if (!complete()) d.HandOver();
  }

 private:
  // Keeps the low bits of `value`, as a narrowing store does.
  template <typename Field>
  static void Fit(Decoder& d, std::int32_t value, Field& field) {
    field = static_cast<Field>(value);
    if (value != static_cast<std::int32_t>(field)) d.Coerced();
  }
  TimeStamp& stamp_;
  size_t ended_ = 0;
};

// A fixed table of values, one child per slot read in order (named as
// `readName` tells: another name is handed over); what follows is passed
// over.
template <typename T>
class SlotsFrame final : public Frame {
 public:
  SlotsFrame(std::span<T> slots, SlotNameFn readName)
      : slots_(slots), readName_(readName) {}
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (read_ >= slots_.size()) {
      d.Push<SkipFrame>();
      return;
    }
    const std::string_view expected = readName_(read_);
    if (!expected.empty() && name != expected) d.HandOver();
    d.Push<ValueFrame>(d, StoreOf<T>(), &slots_[read_]);
    ++read_;
  }
  void Text(Decoder& d, std::string_view, bool) override { Between(d); }
  void Comment(Decoder& d) override { Between(d); }
  void Instruction(Decoder& d, std::string_view) override { Between(d); }
  void End(Decoder& d) override { Between(d); }

 private:
  void Between(Decoder& d) {
    if (read_ < slots_.size()) d.HandOver();
  }
  std::span<T> slots_;
  SlotNameFn readName_;
  size_t read_ = 0;
};

// A list of values, one child per entry (ValueList).
template <typename T>
class ValueListFrame final : public Frame {
 public:
  ValueListFrame(const ValueList& codec, std::vector<T>& values)
      : codec_(codec), values_(values) {
    if (codec.replaces) values.clear();
  }
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (name != codec_.item) {
      if (codec_.onlyItems) {
        d.Push<SkipFrame>();
        return;
      }
      // Read by position under another name: noted out of place.
      if (!codec_.numbered) d.HandOver();
    }
    d.Charge(2 * sizeof(T));
    d.Push<ValueFrame>(d, &StoreAppended<T>, &values_);
  }
  // Every child node is an entry unless only the items are.
  void Text(Decoder& d, std::string_view, bool) override { Between(d); }
  void Comment(Decoder& d) override { Between(d); }
  void Instruction(Decoder& d, std::string_view target) override {
    if (!codec_.onlyItems || target == codec_.item) d.HandOver();
  }

 private:
  void Between(Decoder& d) {
    if (!codec_.onlyItems) d.HandOver();
  }
  const ValueList& codec_;
  std::vector<T>& values_;
};

template <typename Record>
class RecordFrame;

// A list of records, one child element per entry (RecordList).
template <typename Record>
class ListFrame final : public Frame {
 public:
  ListFrame(Entries entries, std::vector<Record>& records)
      : entries_(entries), records_(records) {}
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (name != Model<Record>::kElement) {
      // Every child of a list of every child is an entry.
      if (entries_ == Entries::kEvery) d.HandOver();
      d.Push<SkipFrame>();
      return;
    }
    d.Charge(2 * sizeof(Record));
    records_.emplace_back();
    d.Push<RecordFrame<Record>>(records_.back());
  }
  void Text(Decoder& d, std::string_view, bool) override { Between(d); }
  void Comment(Decoder& d) override { Between(d); }
  void Instruction(Decoder& d, std::string_view target) override {
    if (entries_ == Entries::kEvery || (entries_ == Entries::kNodesNamed &&
                                        target == Model<Record>::kElement)) {
      d.HandOver();
    }
  }

 private:
  void Between(Decoder& d) {
    if (entries_ == Entries::kEvery) d.HandOver();
  }
  Entries entries_;
  std::vector<Record>& records_;
};

// A fixed table of records read in order by position (RecordSlots).
template <typename Record, size_t N>
class RecordSlotsFrame final : public Frame {
 public:
  explicit RecordSlotsFrame(std::array<Record, N>& records)
      : records_(records) {}
  void Child(Decoder& d, std::string_view name, const Attributes&) override {
    if (read_ >= N) {
      d.Push<SkipFrame>();
      return;
    }
    if (name != Model<Record>::kElement) d.HandOver();
    d.Push<RecordFrame<Record>>(records_[read_++]);
  }
  void Text(Decoder& d, std::string_view, bool) override { Between(d); }
  void Comment(Decoder& d) override { Between(d); }
  void Instruction(Decoder& d, std::string_view) override { Between(d); }
  void End(Decoder& d) override { Between(d); }

 private:
  void Between(Decoder& d) {
    if (read_ < N) d.HandOver();
  }
  std::array<Record, N>& records_;
  size_t read_ = 0;
};

// ------------------------------------------------- opening a member's frame
//
// Open(decoder, codec, member, record, attributes) pushes the frame that
// reads `member` with `codec`; a kind's own codecs add overloads beside
// their models (found by argument-dependent lookup).

template <typename Member, typename Record>
void Open(Decoder& d, const Plain&, Member& member, Record&,
          const Attributes&) {
  if constexpr (std::is_same_v<Member, LanguageStringSet>) {
    d.Push<LanguageSetFrame>(member);
  } else if constexpr (std::is_same_v<Member, TimeStamp>) {
    d.Push<TimeStampFrame>(member);
  } else {
    d.Push<ValueFrame>(d, StoreOf<Member>(), &member);
  }
}

// A member kept in memory has no element (never opened).
template <typename Member, typename Record>
void Open(Decoder& d, const NotStored&, Member&, Record&, const Attributes&) {
  d.HandOver();
}

template <typename Record>
void Open(Decoder& d, const IntegerAsDecimal&, std::int32_t& member, Record&,
          const Attributes&) {
  d.Push<ValueFrame>(d, &StoreInt, &member);
}

inline void StoreTruncated(Decoder& d, std::string_view text, void* target) {
  *static_cast<std::int32_t*>(target) = TruncateToInt32(DoubleOf(d, text));
}
template <typename Record>
void Open(Decoder& d, const DecimalAsInteger&, std::int32_t& member, Record&,
          const Attributes&) {
  d.Push<ValueFrame>(d, &StoreTruncated, &member);
}

inline void StoreBoolAsInt(Decoder& d, std::string_view text, void* target) {
  *static_cast<std::int32_t*>(target) = BoolOf(d, text) ? 1 : 0;
}
template <typename Record>
void Open(Decoder& d, const IntegerAsBoolean&, std::int32_t& member, Record&,
          const Attributes&) {
  d.Push<ValueFrame>(d, &StoreBoolAsInt, &member);
}

inline void StoreEscaped(Decoder&, std::string_view text, void* target) {
  // Raises for a text that is not escaped bytes: handed over.
  *static_cast<std::string*>(target) =
      decodeEscapedString(text.data(), text.size());
}
template <typename Record>
void Open(Decoder& d, const EscapedText&, std::string& member, Record&,
          const Attributes&) {
  d.Push<ValueFrame>(d, &StoreEscaped, &member);
}

template <typename T, size_t N, typename Record>
void Open(Decoder& d, const Slots& codec, std::array<T, N>& member, Record&,
          const Attributes&) {
  d.Push<SlotsFrame<T>>(std::span<T>(member), codec.readName);
}

template <typename T, typename Record>
void Open(Decoder& d, const ValueList& codec, std::vector<T>& member, Record&,
          const Attributes&) {
  d.Push<ValueListFrame<T>>(codec, member);
}

template <typename Member, typename Record>
void Open(Decoder& d, const NestedRecord&, Member& member, Record&,
          const Attributes&) {
  d.Push<RecordFrame<Member>>(member);
}

template <typename Entry, typename Record>
void Open(Decoder& d, const RecordList& codec, std::vector<Entry>& member,
          Record&, const Attributes&) {
  d.Push<ListFrame<Entry>>(codec.entries, member);
}

template <typename Entry, size_t N, typename Record>
void Open(Decoder& d, const RecordSlots&, std::array<Entry, N>& member, Record&,
          const Attributes&) {
  d.Push<RecordSlotsFrame<Entry, N>>(member);
}

// ------------------------------------------------------------ the records

// What a record's last rule asks of the rows one read decoded: whether an
// element was there, the text a codec kept (one that decodes its element
// once the others are known), and a note of a coerced value.
template <typename Record>
class EventRows {
 public:
  static constexpr size_t kRows = ReadRows<Record>::kRows;

  EventRows(Decoder& d, const std::array<bool, kRows>& seen,
            const std::string& kept)
      : decoder_(d), seen_(seen), kept_(kept) {}
  bool operator()(std::string_view name) const {
    const size_t row = RowOf(name);
    return row < kRows && seen_[row];
  }
  // The text of the record's one row whose codec keeps it.
  std::string Text(std::string_view) const { return kept_; }
  void Note(std::string_view, const std::string&) const { decoder_.Coerced(); }

 private:
  static size_t RowOf(std::string_view name) {
    size_t row = 0, found = kRows;
    ForEachField<Record>([&](const auto& field) {
      if (found == kRows && field.name == name) found = row;
      ++row;
    });
    return found;
  }
  Decoder& decoder_;
  const std::array<bool, kRows>& seen_;
  const std::string& kept_;
};

// A codec whose element the record's last rule decodes keeps its text.
template <typename Codec>
concept KeepsText = Codec::kKeepsText;

// Reads a record's children as ReadRecord does: the positional prefix in
// order (each child the element its row names, unless the row takes any
// name), the reader defaults and AfterPrefix once the prefix is read, the
// optional part by name (the first row of the name; children no row names
// passed over), the AfterRead rule at the end.
template <typename Record>
class RecordFrame final : public Frame {
  using Fields = std::remove_cvref_t<decltype(Model<Record>::kFields)>;
  static constexpr size_t kRows = std::tuple_size_v<Fields>;

  template <size_t... I>
  static constexpr size_t CountFound(Find find, std::index_sequence<I...>) {
    return ((std::get<I>(Model<Record>::kFields).find == find ? 1 : 0) + ... +
            0);
  }
  static constexpr size_t kPositional =
      CountFound(Find::kPosition, std::make_index_sequence<kRows>());
  static constexpr size_t kNamed =
      CountFound(Find::kName, std::make_index_sequence<kRows>());
  template <size_t... I>
  static constexpr size_t CountKept(std::index_sequence<I...>) {
    return ((KeepsText<typename std::remove_cvref_t<decltype(std::get<I>(
                     Model<Record>::kFields))>::CodecType>
                 ? 1
                 : 0) +
            ... + 0);
  }
  static_assert(CountKept(std::make_index_sequence<kRows>()) <= 1,
                "a record keeps the text of one row at most");

  using Opener = void (*)(Decoder&, RecordFrame&, const Attributes&);
  struct NamedRow {
    std::string_view name;
    Opener open;
  };

  template <size_t I>
  static void OpenRow(Decoder& d, RecordFrame& frame,
                      const Attributes& attributes) {
    constexpr const auto& row = std::get<I>(Model<Record>::kFields);
    frame.seen_[I] = true;
    frame.ended_ = &AfterRow<I>;
    if constexpr (KeepsText<
                      typename std::remove_cvref_t<decltype(row)>::CodecType>) {
      d.Push<ValueFrame>(d, &StoreText, &frame.kept_);
    } else {
      Open(d, row.codec, frame.record_.*row.member, frame.record_, attributes);
    }
  }
  // The row's own rule, once its member is read.
  template <size_t I>
  static void AfterRow(Record& record) {
    constexpr const auto& row = std::get<I>(Model<Record>::kFields);
    if (row.afterRead != nullptr) row.afterRead(record.*row.member);
  }

  template <size_t... I>
  static constexpr std::array<Opener, kPositional> PositionalOpeners(
      std::index_sequence<I...>) {
    std::array<Opener, kPositional> openers{};
    size_t count = 0;
    ((std::get<I>(Model<Record>::kFields).find == Find::kPosition
          ? void(openers[count++] = &OpenRow<I>)
          : void()),
     ...);
    return openers;
  }
  template <size_t... I>
  static constexpr std::array<std::string_view, kPositional> PositionalNames(
      std::index_sequence<I...>) {
    std::array<std::string_view, kPositional> names{};
    size_t count = 0;
    ((std::get<I>(Model<Record>::kFields).find == Find::kPosition
          ? void(names[count++] =
                     std::get<I>(Model<Record>::kFields).anyName
                         ? std::string_view()
                         : std::get<I>(Model<Record>::kFields).name)
          : void()),
     ...);
    return names;
  }
  template <size_t... I>
  static constexpr std::array<NamedRow, kNamed> NamedRows(
      std::index_sequence<I...>) {
    std::array<NamedRow, kNamed> rows{};
    size_t count = 0;
    ((std::get<I>(Model<Record>::kFields).find == Find::kName
          ? void(rows[count++] = {std::get<I>(Model<Record>::kFields).name,
                                  &OpenRow<I>})
          : void()),
     ...);
    return rows;
  }

  static constexpr auto kOpenPositional =
      PositionalOpeners(std::make_index_sequence<kRows>());
  static constexpr auto kPositionalNames =
      PositionalNames(std::make_index_sequence<kRows>());
  static constexpr auto kNamedRows =
      NamedRows(std::make_index_sequence<kRows>());

 public:
  explicit RecordFrame(Record& record) : record_(record) {
    static_assert(PositionalRowsFirst<Record>(),
                  "a row found by position after one found by name");
    ApplyReadDefaults(record, true);
    if constexpr (kPositional == 0) FinishPrefix();
  }

  // Children read so far as positional members (or all of them).
  size_t positionalRead() const { return read_; }
  static constexpr size_t positionalCount() { return kPositional; }

  void Child(Decoder& d, std::string_view name,
             const Attributes& attributes) override {
    if (read_ < kPositional) {
      const std::string_view expected = kPositionalNames[read_];
      if (!expected.empty() && name != expected) d.HandOver();
      kOpenPositional[read_++](d, *this, attributes);
      return;
    }
    for (const NamedRow& row : kNamedRows) {
      if (row.name == name) {
        row.open(d, *this, attributes);
        return;
      }
    }
    d.Push<SkipFrame>();
  }
  // In the prefix, every child node is a member; after it, text and
  // comments match no row.
  void Text(Decoder& d, std::string_view, bool) override { InPrefix(d); }
  void Comment(Decoder& d) override { InPrefix(d); }
  void ChildEnded(Decoder&) override {
    if (ended_ != nullptr) ended_(record_);
    ended_ = nullptr;
    if (read_ == kPositional && !prefixDone_) FinishPrefix();
  }
  void End(Decoder& d) override {
    if (read_ < kPositional) {
      d.HandOver();  // a positional member is missing
      return;
    }
    if constexpr (HasAfterReadRows<Record>) {
      Model<Record>::AfterRead(record_, EventRows<Record>(d, seen_, kept_));
    } else if constexpr (HasAfterRead<Record>) {
      Model<Record>::AfterRead(record_);
    }
  }

 private:
  void InPrefix(Decoder& d) {
    if (read_ < kPositional) d.HandOver();
  }
  void FinishPrefix() {
    ApplyReadDefaults(record_, false);
    if constexpr (HasAfterPrefix<Record>) Model<Record>::AfterPrefix(record_);
    prefixDone_ = true;
  }

  Record& record_;
  size_t read_ = 0;
  bool prefixDone_ = false;
  void (*ended_)(Record&) = nullptr;
  std::array<bool, kRows> seen_{};
  std::string kept_;
};

}  // namespace devseries::field_model::events
