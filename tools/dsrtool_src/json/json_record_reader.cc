#include "tools/dsrtool_src/json/json_record_reader.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <optional>
#include <sstream>
#include <type_traits>
#include <unordered_set>
#include <utility>

#include "tools/dsrtool_src/record_kinds.h"

namespace dsrtool {

namespace {

// ------------------------------------------------- the series's fields

constexpr size_t kSeriesKind = 0;
static_assert(std::is_same_v<std::variant_alternative_t<kSeriesKind, AnyRecord>,
                             DeviceSeries>);

// A member of the device series as its JSON object names it.
struct SeriesField {
  std::string_view name;
  bool list;      // a std::vector, read entry by entry
  bool inMemory;  // kept in memory only: its key is refused
};

// Collects the fields in the order of the series's members. The series's
// own fields are lists and plain members: a byte string or a field stored
// only under a condition would need the record reader's handling, and does
// not compile here.
struct FieldCollector {
  std::vector<SeriesField> fields;

  template <typename T>
  void operator()(std::string_view name, T&) {
    fields.push_back({name, kIsVector<T>, false});
  }
  template <typename T>
  void InMemory(std::string_view name, T&) {
    fields.push_back({name, false, true});
  }
};

const std::vector<SeriesField>& SeriesFields() {
  static const std::vector<SeriesField> fields = [] {
    DeviceSeries probe;
    FieldCollector collector;
    EachMember(probe, collector);
    return std::move(collector.fields);
  }();
  return fields;
}

// The position of the field named `name`, or kNoField.
constexpr size_t kNoField = static_cast<size_t>(-1);
size_t FieldIndex(std::string_view name) {
  const std::vector<SeriesField>& fields = SeriesFields();
  for (size_t i = 0; i < fields.size(); ++i) {
    if (fields[i].name == name) return i;
  }
  return kNoField;
}

// Calls `use(member)` on the member of `series` (const or not) at position
// `wanted` of the members; nothing for a member kept in memory only.
template <typename Use>
struct FieldVisit {
  size_t wanted;
  Use& use;
  size_t at = 0;

  template <typename T>
  void operator()(std::string_view, T& member) {
    if (at++ == wanted) use(member);
  }
  template <typename T>
  void InMemory(std::string_view, T&) {
    ++at;
  }
};

template <typename Series, typename Use>
void WithField(Series& series, size_t wanted, Use&& use) {
  FieldVisit<Use> visit{wanted, use};
  EachMember(series, visit);
}

// The file form of one value as a JSON tree.
template <typename T>
Json JsonTreeOf(const T& value) {
  std::ostringstream text;
  JsonEmitter emitter(text, false);
  EmitValue(emitter, value, JsonForm::kFile);
  return Json::parse(text.str());
}

// ------------------------------------------------------ one JSON value

// The parser's events, as the reader below sees them.
enum class Token { kScalar, kBeginObject, kBeginArray, kKey, kEnd };

// Reads one value from the events that make it: into a JSON tree, built as
// nlohmann's own parser builds it (a key repeated in an object keeps its
// first place and takes the last value), or passed over.
class ValueReader {
 public:
  bool active() const { return active_; }
  // Whether the value being read is built.
  bool keeping() const { return active_ && keep_; }

  // Starts a value; `keep` builds its tree.
  void Start(bool keep) {
    active_ = true;
    keep_ = keep;
    depth_ = 0;
    root_ = Json();
    open_.clear();
  }

  // Takes one event of the value; true when it completed the value, which
  // then ends.
  bool Feed(Token token, Json& scalar, const std::string& key) {
    switch (token) {
      case Token::kScalar:
        if (keep_) Place(std::move(scalar));
        break;
      case Token::kBeginObject:
      case Token::kBeginArray:
        ++depth_;
        if (keep_) {
          open_.push_back(Place(token == Token::kBeginObject ? Json::object()
                                                             : Json::array()));
        }
        break;
      case Token::kKey:
        if (keep_) slot_ = &(*open_.back())[key];
        return false;
      case Token::kEnd:
        --depth_;
        if (keep_) open_.pop_back();
        break;
    }
    if (depth_ > 0) return false;
    active_ = false;
    return true;
  }

  // The tree of the value completed last.
  Json Take() { return std::move(root_); }

 private:
  Json* Place(Json value) {
    if (open_.empty()) {
      root_ = std::move(value);
      return &root_;
    }
    Json& parent = *open_.back();
    if (parent.is_array()) {
      parent.push_back(std::move(value));
      return &parent.back();
    }
    *slot_ = std::move(value);
    return slot_;
  }

  bool active_ = false;
  bool keep_ = false;
  size_t depth_ = 0;
  Json root_;
  // The objects and arrays open, innermost last; each lives in its parent,
  // which gets no new entry while it is open.
  std::vector<Json*> open_;
  // Where the value after the last key goes.
  Json* slot_ = nullptr;
};

// --------------------------------------------------------- the document

// Told of the entries of the series's lists as the reader reads them.
class SeriesObserver {
 public:
  // The record's key came again: the record is read anew.
  virtual void Restarted() = 0;
  // The list of field `field` starts (anew when its key came again).
  virtual void ListStarted(size_t field) = 0;
  // The entry at `position` of the list of field `field` was read and is
  // the last entry of that list in `series`, which the observer may empty.
  virtual void EntryRead(size_t field, size_t position,
                         DeviceSeries& series) = 0;

 protected:
  ~SeriesObserver() = default;
};

// The SAX handler: reads the document {"<kind>": <record>} as the field
// tables read its tree. A device series's lists are read entry by entry;
// each of its members is decoded as soon as its value is complete, and the
// first error of each member is kept, so that Finish raises the error the
// tree's reading would have met first (the members in declaration order,
// then unknown keys), whatever order the keys come in. Any
// other record is kept as the tree of its value and read at the end.
class RecordJsonHandler final : public nlohmann::json_sax<Json> {
 public:
  // `memoryBound` (0: none) bounds what the reader keeps, starting from
  // `held` bytes kept already (the text).
  explicit RecordJsonHandler(SeriesObserver* observer = nullptr,
                             std::uint64_t memoryBound = 0,
                             std::uint64_t held = 0)
      : observer_(observer), bound_(memoryBound), charged_(held) {}

  bool null() override { return Scalar(Json(nullptr)); }
  bool boolean(bool value) override { return Scalar(Json(value)); }
  bool number_integer(number_integer_t value) override {
    return Scalar(Json(value));
  }
  bool number_unsigned(number_unsigned_t value) override {
    return Scalar(Json(value));
  }
  bool number_float(number_float_t value, const string_t&) override {
    return Scalar(Json(value));
  }
  bool string(string_t& value) override {
    return Scalar(Json(std::move(value)));
  }
  // Binary values come only from the binary formats, never from JSON text.
  bool binary(binary_t&) override { return Scalar(Json(nullptr)); }
  bool start_object(std::size_t) override {
    return Event(Token::kBeginObject, nullptr);
  }
  bool key(string_t& key) override { return Event(Token::kKey, nullptr, key); }
  bool end_object() override { return Event(Token::kEnd, nullptr); }
  bool start_array(std::size_t) override {
    return Event(Token::kBeginArray, nullptr);
  }
  bool end_array() override { return Event(Token::kEnd, nullptr); }
  bool parse_error(std::size_t position, const std::string&,
                   const nlohmann::detail::exception& error) override {
    throw JsonSyntaxError(position, error.what());
  }

  // The record, once the whole text is parsed; raises its JsonError.
  AnyRecord Finish() {
    DocumentShape shape{isObject_, hasInMemoryKey_, keys_.size(),
                        rootKey_.value_or("")};
    AnyRecord record = NewRecordForDocument(shape);
    if (!streamed_) {
      std::visit([&](auto& value) { FromJson(rootValue_, value, *rootKey_); },
                 record);
      return record;
    }
    for (const std::optional<JsonError>& error : errors_) {
      if (error) throw *error;
    }
    if (unknownKey_) throw UnknownKeyError(*rootKey_, *unknownKey_);
    return std::move(series_);
  }

 private:
  enum class Level {
    kDocument,  // before the document's value
    kTop,       // in the top-level object
    kSeries,    // in the device series's object
    kList,      // in one of its lists
    kDone,
  };
  // What a value read whole is for.
  enum class Target { kNothing, kRecord, kMember, kEntry };

  bool Scalar(Json value) { return Event(Token::kScalar, std::move(value)); }

  // What one value of a tree takes: the value, its place in an array
  // (which grows by doubling) or in an object (a map node with its key),
  // and the text of a string, in the parser's buffer and in the value.
  static constexpr std::uint64_t kValueCost = 3 * sizeof(Json) + 16;
  static constexpr std::uint64_t kKeyCost = 64 + sizeof(std::string);

  void Charge(std::uint64_t bytes) {
    charged_ += bytes;
    if (bound_ != 0 && charged_ > bound_) throw JsonBoundExceeded(bound_);
  }
  void Release(std::uint64_t bytes) { charged_ -= std::min(bytes, charged_); }

  // Charges an event of the value being built: the nodes of its tree go
  // when the tree does, the text of its strings stays charged (the record
  // decoded from the tree keeps it).
  void ChargeKept(Token token, const Json& scalar, const std::string& key) {
    std::uint64_t tree = 0;
    std::uint64_t text = 0;
    if (token == Token::kKey) {
      tree = kKeyCost;
      text = key.size();
    } else if (token != Token::kEnd) {
      tree = kValueCost;
      if (const std::string* string = scalar.get_ptr<const std::string*>()) {
        text = 2 * string->size();
      }
    }
    tree_ += tree;
    Charge(tree + text);
  }

  bool Event(Token token, Json scalar, const std::string& key = {}) {
    if (value_.active()) {
      if (value_.keeping()) ChargeKept(token, scalar, key);
      if (value_.Feed(token, scalar, key)) ValueRead();
      return true;
    }
    switch (level_) {
      case Level::kDocument:
        if (token == Token::kBeginObject) {
          isObject_ = true;
          level_ = Level::kTop;
        } else {
          StartValue(Target::kNothing, token, scalar);
        }
        break;
      case Level::kTop:
        if (token == Token::kKey) {
          TopKey(key);
        } else if (token == Token::kEnd) {
          level_ = Level::kDone;
        } else {
          TopValue(token, scalar);
        }
        break;
      case Level::kSeries:
        if (token == Token::kKey) {
          MemberKey(key);
        } else if (token == Token::kEnd) {
          level_ = Level::kTop;
        } else {
          MemberValue(token, scalar);
        }
        break;
      case Level::kList:
        if (token == Token::kEnd) {
          level_ = Level::kSeries;
        } else {
          // After an error the list's other entries no longer count.
          StartValue(errors_[field_] ? Target::kNothing : Target::kEntry, token,
                     scalar);
        }
        break;
      case Level::kDone:
        break;
    }
    return true;
  }

  void StartValue(Target target, Token token, Json& scalar) {
    target_ = target;
    value_.Start(target != Target::kNothing);
    tree_ = 0;
    if (value_.keeping()) ChargeKept(token, scalar, {});
    if (value_.Feed(token, scalar, {})) ValueRead();
  }

  void ValueRead() {
    switch (target_) {
      case Target::kRecord:
        rootValue_ = value_.Take();
        return;  // kept to the end, charged as it is
      case Target::kMember:
        DecodeMember(value_.Take());
        break;
      case Target::kEntry:
        DecodeEntry(value_.Take());
        break;
      case Target::kNothing:
        break;
    }
    Release(tree_);
    tree_ = 0;
  }

  void TopKey(const std::string& key) {
    if (key == kInMemoryKey) hasInMemoryKey_ = true;
    if (keys_.insert(key).second) Charge(kKeyCost + key.size());
    if (!rootKey_) rootKey_ = key;
    atRecord_ = key == *rootKey_;
  }

  void TopValue(Token token, Json& scalar) {
    // Only the first key's value is the record; when that key comes again
    // its last value counts, as in the tree.
    if (!atRecord_) return StartValue(Target::kNothing, token, scalar);
    Restart();
    if (*rootKey_ == kRootNames[kSeriesKind] && token == Token::kBeginObject) {
      streamed_ = true;
      level_ = Level::kSeries;
      return;
    }
    StartValue(Target::kRecord, token, scalar);
  }

  void Restart() {
    streamed_ = false;
    rootValue_ = Json();
    series_ = DeviceSeries();
    errors_.assign(SeriesFields().size(), std::nullopt);
    unknownKey_.reset();
    if (observer_ != nullptr) observer_->Restarted();
  }

  std::string Where(size_t field) const {
    return *rootKey_ + "." + std::string(SeriesFields()[field].name);
  }

  void MemberKey(const std::string& key) {
    field_ = FieldIndex(key);
    if (field_ == kNoField) {
      if (!unknownKey_) unknownKey_ = key;
      return;
    }
    // A key that comes again: its last value counts, as in the tree.
    errors_[field_].reset();
    if (SeriesFields()[field_].inMemory) {
      errors_[field_] = InMemoryMemberError(Where(field_));
    }
  }

  void MemberValue(Token token, Json& scalar) {
    if (field_ == kNoField || SeriesFields()[field_].inMemory) {
      return StartValue(Target::kNothing, token, scalar);
    }
    if (SeriesFields()[field_].list && token == Token::kBeginArray) {
      position_ = 0;
      WithField(series_, field_, [](auto& member) {
        if constexpr (kIsVector<std::decay_t<decltype(member)>>) member.clear();
      });
      if (observer_ != nullptr) observer_->ListStarted(field_);
      level_ = Level::kList;
      return;
    }
    StartValue(Target::kMember, token, scalar);
  }

  // A member whose value is not read entry by entry, decoded into a new
  // value as the record reader decodes the member of a new record.
  void DecodeMember(const Json& value) {
    try {
      WithField(series_, field_, [&](auto& member) {
        std::decay_t<decltype(member)> decoded{};
        FromJson(value, decoded, Where(field_));
        member = std::move(decoded);
      });
    } catch (const JsonError& error) {
      errors_[field_] = error;
    }
  }

  // The next entry of the list being read, appended to it.
  void DecodeEntry(const Json& value) {
    const size_t position = position_++;
    try {
      WithField(series_, field_, [&](auto& member) {
        using Member = std::decay_t<decltype(member)>;
        if constexpr (kIsVector<Member>) {
          // The list's storage grows by doubling.
          Charge(2 * sizeof(typename Member::value_type));
          typename Member::value_type entry{};
          FromJson(value, entry,
                   Where(field_) + "[" + std::to_string(position) + "]");
          member.push_back(std::move(entry));
        }
      });
    } catch (const JsonError& error) {
      errors_[field_] = error;
      return;
    }
    if (observer_ != nullptr) observer_->EntryRead(field_, position, series_);
  }

  SeriesObserver* observer_;
  std::uint64_t bound_;
  std::uint64_t charged_;
  // What the tree of the value being read was charged with.
  std::uint64_t tree_ = 0;
  Level level_ = Level::kDocument;
  ValueReader value_;
  Target target_ = Target::kNothing;

  // The top-level object.
  bool isObject_ = false;
  bool hasInMemoryKey_ = false;
  std::unordered_set<std::string> keys_;
  std::optional<std::string> rootKey_;
  bool atRecord_ = false;

  // The record: a device series read member by member, or the tree of
  // another kind's value.
  bool streamed_ = false;
  Json rootValue_;
  DeviceSeries series_;
  // The member whose key came last, and the next position in its list.
  size_t field_ = kNoField;
  size_t position_ = 0;
  // The first error of each member, by its position among the members.
  std::vector<std::optional<JsonError>> errors_;
  std::optional<std::string> unknownKey_;
};

// How far the parser got in a text, told to a progress report each time
// it passes another kProgressStep bytes (and the end).
class ParsedBytes {
 public:
  static constexpr size_t kProgressStep = size_t{256} << 10;

  ParsedBytes(std::string_view text, platform::ProgressReport& progress)
      : progress_(progress),
        told_(text.data()),
        end_(text.data() + text.size()),
        next_(NextMark()) {}

  // The bytes up to `at` were taken: past the mark that `at` is.
  void Reached(const char* at) {
    if (at != next_) return;
    progress_.Add(static_cast<std::uint64_t>(at - told_));
    told_ = at;
    next_ = NextMark();
  }

 private:
  const char* NextMark() const {
    return told_ + std::min<size_t>(kProgressStep, end_ - told_);
  }

  platform::ProgressReport& progress_;
  const char* told_;  // the bytes up to here are told
  const char* end_;
  const char* next_;
};

// A position in a text as nlohmann's parser moves through it, a byte at a
// time, telling `parsed` as it goes.
class ParsedPosition {
 public:
  using iterator_category = std::forward_iterator_tag;
  using value_type = char;
  using difference_type = std::ptrdiff_t;
  using pointer = const char*;
  using reference = const char&;

  ParsedPosition() = default;
  ParsedPosition(const char* at, ParsedBytes* parsed)
      : at_(at), parsed_(parsed) {}

  reference operator*() const { return *at_; }
  ParsedPosition& operator++() {
    parsed_->Reached(++at_);
    return *this;
  }
  ParsedPosition operator++(int) {
    ParsedPosition before = *this;
    ++*this;
    return before;
  }
  bool operator==(const ParsedPosition& other) const {
    return at_ == other.at_;
  }

 private:
  const char* at_ = nullptr;
  ParsedBytes* parsed_ = nullptr;
};

void Parse(std::string_view text, RecordJsonHandler& handler,
           platform::ProgressReport* progress) {
  if (progress == nullptr || !progress->started()) {
    Json::sax_parse(text.begin(), text.end(), &handler);
    return;
  }
  ParsedBytes parsed(text, *progress);
  Json::sax_parse(ParsedPosition(text.data(), &parsed),
                  ParsedPosition(text.data() + text.size(), &parsed), &handler);
}

// ----------------------------------------------------------- comparing

// Compares each list entry of the series read with the stored series's
// entry at its position, as CompareRecords compares them by position, and
// drops it; the other members once the text is read. Keeps the differences
// of each member apart, so that they come out in the order of the field
// list, as in the tree.
class SeriesComparer final : public SeriesObserver {
 public:
  SeriesComparer(const DeviceSeries& stored, std::string root)
      : stored_(stored),
        root_(std::move(root)),
        differences_(SeriesFields().size()),
        entries_(SeriesFields().size()) {}

  void Restarted() override {
    for (size_t field = 0; field < differences_.size(); ++field) {
      ListStarted(field);
    }
  }

  void ListStarted(size_t field) override {
    differences_[field].clear();
    entries_[field] = 0;
  }

  void EntryRead(size_t field, size_t position, DeviceSeries& series) override {
    const std::string path = Path(field) + "[" + std::to_string(position) + "]";
    entries_[field] = position + 1;
    WithField(series, field, [&](auto& member) {
      using Member = std::decay_t<decltype(member)>;
      if constexpr (kIsVector<Member>) {
        const Json given = JsonTreeOf(member.back());
        member.clear();
        const Member& stored = StoredMember<Member>(field);
        if (position < stored.size()) {
          Add(field, CompareValues(given, JsonTreeOf(stored[position]), path));
        } else {
          differences_[field].push_back(
              OnlyInOne(Difference::kRemoved, path, given));
        }
      }
    });
  }

  // The differences, once the text is read into `series`: the lists'
  // entries that only the stored series has, the members that are not
  // lists, and all of it in field order.
  std::vector<Difference> Finish(const DeviceSeries& series) {
    std::vector<Difference> all;
    for (size_t field = 0; field < differences_.size(); ++field) {
      WithField(series, field, [&](const auto& member) {
        using Member = std::decay_t<decltype(member)>;
        const Member& stored = StoredMember<Member>(field);
        if constexpr (kIsVector<Member>) {
          for (size_t i = entries_[field]; i < stored.size(); ++i) {
            differences_[field].push_back(OnlyInOne(
                Difference::kAdded, Path(field) + "[" + std::to_string(i) + "]",
                JsonTreeOf(stored[i])));
          }
        } else {
          Add(field, CompareValues(JsonTreeOf(member), JsonTreeOf(stored),
                                   Path(field)));
        }
      });
      for (Difference& difference : differences_[field]) {
        all.push_back(std::move(difference));
      }
    }
    return all;
  }

 private:
  template <typename Member>
  const Member& StoredMember(size_t field) const {
    const Member* found = nullptr;
    WithField(stored_, field, [&](const auto& member) {
      if constexpr (std::is_same_v<std::decay_t<decltype(member)>, Member>) {
        found = &member;
      }
    });
    return *found;
  }

  std::string Path(size_t field) const {
    return root_ + "." + std::string(SeriesFields()[field].name);
  }

  void Add(size_t field, std::vector<Difference> found) {
    for (Difference& difference : found) {
      differences_[field].push_back(std::move(difference));
    }
  }

  const DeviceSeries& stored_;
  std::string root_;
  std::vector<std::vector<Difference>> differences_;
  // The entries read of each list.
  std::vector<size_t> entries_;
};

}  // namespace

namespace {

// "8 MiB", or the bytes of a bound that is not whole mebibytes.
std::string BoundText(std::uint64_t bytes) {
  constexpr std::uint64_t kMiB = std::uint64_t{1} << 20;
  return bytes % kMiB == 0 ? std::to_string(bytes / kMiB) + " MiB"
                           : std::to_string(bytes) + " bytes";
}

}  // namespace

JsonBoundExceeded::JsonBoundExceeded(std::uint64_t bound)
    : std::runtime_error("the JSON read so far takes more than " +
                         BoundText(bound) +
                         " in memory, its bound; the read stops here") {}

AnyRecord ReadRecordJson(std::string_view text, std::uint64_t memoryBound,
                         platform::ProgressReport* progress) {
  RecordJsonHandler handler(nullptr, memoryBound, text.size());
  Parse(text, handler, progress);
  return handler.Finish();
}

std::vector<Difference> CompareRecordJson(std::string_view text,
                                          const AnyRecord& stored,
                                          std::uint64_t memoryBound,
                                          platform::ProgressReport* progress) {
  const DeviceSeries* storedSeries = std::get_if<DeviceSeries>(&stored);
  if (storedSeries == nullptr) {
    return CompareRecords(
        RecordJsonTree(ReadRecordJson(text, memoryBound, progress)),
        RecordJsonTree(stored), Matching::kByPosition);
  }
  SeriesComparer comparer(*storedSeries, std::string(RootName(stored)));
  RecordJsonHandler handler(&comparer, memoryBound, text.size());
  Parse(text, handler, progress);
  AnyRecord given = handler.Finish();
  if (const DeviceSeries* series = std::get_if<DeviceSeries>(&given)) {
    return comparer.Finish(*series);
  }
  return CompareRecords(RecordJsonTree(given), RecordJsonTree(stored),
                        Matching::kByPosition);
}

}  // namespace dsrtool
