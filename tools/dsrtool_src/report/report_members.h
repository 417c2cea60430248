// The report's view of record members, taken from the field model: which
// members a table shows, what heads them, and how their values read. A
// member added to a model shows in every table of its record.
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <unordered_map>
#include <vector>

#include "devseries/device_series.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "devseries/xmlio/field_model_internal.h"
#include "devseries/xmlio/time_stamp_model_internal.h"
#include "tools/dsrtool_src/member_text.h"
#include "tools/dsrtool_src/record_members.h"
#include "tools/dsrtool_src/report/report_page.h"

namespace dsrtool {

// A member's value as a cell shows it: a number is right-aligned, a colour
// gets a swatch.
struct CellValue {
  enum class Kind { kText, kNumber, kColour };
  std::string text;
  Kind kind = Kind::kText;
};

// "2026-12-08 17:52:33.005".
std::string TimeText(const devseries::TimeStamp& time);
// "#3a7fc0".
std::string RgbText(const devseries::InkRGB& colour);

// The entries of a device series' lists, found by the index an index
// member holds ("aInkInfoList[].nInkIndex": the ink whose nInkIndex it is)
// and named by the member their model marks as their name. Refers to
// `series`, which must outlive it.
class References {
 public:
  explicit References(const devseries::DeviceSeries& series);

  // The text of `index` as a reference: "3 (Black)" for an entry with a
  // name, "3" for one without, "3 (not in the file)" for an index the list
  // lacks. An index below 0 refers to nothing, and an index into a list the
  // series does not hold (a medium's own) is not looked up: the number.
  std::string Text(std::string_view refersTo, std::int64_t index) const;
  // As Text, but the name alone where there is one: for lists of indices.
  std::string Name(std::string_view refersTo, std::int64_t index) const;
  // The names of the entries of the series' list `list`, in order; null
  // when the series has no list of that name.
  const std::vector<std::string>* Names(std::string_view list) const;

 private:
  struct Found {
    bool listed = false;  // the series holds the list
    const std::string* name = nullptr;
  };
  Found Find(std::string_view refersTo, std::int64_t index) const;

  const devseries::DeviceSeries& series_;
  std::map<std::string, std::vector<std::string>, std::less<>> names_;
  // Per reference ("aInkInfoList[].nInkIndex"): the position of the first
  // entry of each index, made when first asked for.
  mutable std::map<std::string, std::unordered_map<std::int64_t, size_t>,
                   std::less<>>
      positions_;
};

namespace report_detail {

using devseries::field_model::Encoding;
using devseries::field_model::Find;
using devseries::field_model::Meaning;

using ::dsrtool::kIsArray;
using ::dsrtool::kIsVector;

template <typename T>
concept Modelled = requires {
  devseries::field_model::Model<T>::kFields;
};

// A record nested in another, shown member by member (a time stamp and a
// colour are values).
template <typename T>
constexpr bool kNested =
    Modelled<T> && !std::is_same_v<T, devseries::TimeStamp> &&
    !std::is_same_v<T, devseries::InkRGB>;

template <typename T>
constexpr bool kIsRecordList = false;
template <typename T>
constexpr bool kIsRecordList<std::vector<T>> = Modelled<T>;

// Tables longer than this are drawn (the output curves), not listed.
inline constexpr size_t kLongestListShown = 64;

// Whether a cell can show a member of type T.
template <typename T>
constexpr bool Showable() {
  if constexpr (std::is_arithmetic_v<T> || std::is_same_v<T, std::string> ||
                std::is_same_v<T, devseries::LanguageStringSet> ||
                std::is_same_v<T, devseries::TimeStamp> ||
                std::is_same_v<T, devseries::InkRGB>) {
    return true;
  } else if constexpr (kIsVector<T>) {
    using Entry = typename T::value_type;
    return std::is_arithmetic_v<Entry> || std::is_same_v<Entry, std::string> ||
           Modelled<Entry>;
  } else if constexpr (kIsArray<T>) {
    using Entry = typename T::value_type;
    return std::tuple_size_v<T> <= kLongestListShown &&
           (std::is_arithmetic_v<Entry> || Modelled<Entry>);
  } else {
    return Modelled<T>;
  }
}

}  // namespace report_detail

// Whether the report shows the member of `row`: a member the file stores
// (or stores through another's element) of a type a cell can show.
template <typename Row>
constexpr bool IsShown(const Row& row) {
  using Member = typename Row::MemberType;
  return report_detail::Showable<Member>() &&
         (row.stored() ||
          Row::kEncoding == devseries::field_model::Encoding::kImplied);
}

// The values of members as the report shows them, index members with the
// entry they refer to.
class MemberValues {
 public:
  explicit MemberValues(const References& references)
      : references_(references) {}

  // The value of `row`'s member of `record`; nothing when the file does
  // not store that member for this record (its storage condition fails).
  template <typename Row, typename Record>
  std::optional<CellValue> operator()(const Row& row,
                                      const Record& record) const {
    if (!Stored(row, record)) return std::nullopt;
    return Value(row.meaning, Row::kEncoding, record.*row.member);
  }

  // Whether the file stores `row`'s member of `record`: false only where
  // the model's storage condition fails.
  template <typename Row, typename Record>
  static bool Stored(const Row& row, const Record& record) {
    return row.storedWhen.empty() || row.writeIf == nullptr ||
           row.writeIf(record);
  }

  // The members of `record` a table shows, "Label: value" each, joined with
  // ", ".
  template <typename Record>
  std::string RecordText(const Record& record) const {
    std::string text;
    devseries::field_model::ForEachField<Record>([&](const auto& row) {
      using Row = std::remove_cvref_t<decltype(row)>;
      if constexpr (report_detail::Showable<typename Row::MemberType>()) {
        if (!IsShown(row)) return;
        const std::optional<CellValue> value = (*this)(row, record);
        if (!value) return;
        if (!text.empty()) text += ", ";
        text += MemberLabel(row.meaning, row.kEncoding) + ": " + value->text;
      }
    });
    return text;
  }

 private:
  using Encoding = devseries::field_model::Encoding;
  using Meaning = devseries::field_model::Meaning;

  template <typename Member>
  CellValue Value(const Meaning& meaning, Encoding encoding,
                  const Member& value) const {
    using report_detail::kIsArray;
    using report_detail::kIsVector;
    using Kind = CellValue::Kind;
    if constexpr (std::is_same_v<Member, bool>) {
      return {value ? "yes" : "no"};
    } else if constexpr (std::is_integral_v<Member>) {
      const auto number = static_cast<std::int64_t>(value);
      if (encoding == Encoding::kIntegerAsBoolean &&
          (value == 0 || value == 1)) {
        return {value == 1 ? "yes" : "no"};
      }
      if (!meaning.refersTo.empty()) {
        std::string text = references_.Text(meaning.refersTo, number);
        const bool plain = text == std::to_string(number);
        return {std::move(text), plain ? Kind::kNumber : Kind::kText};
      }
      std::string text = IntegerText(meaning, number);
      const bool plain = text == std::to_string(number);
      return {std::move(text), plain ? Kind::kNumber : Kind::kText};
    } else if constexpr (std::is_floating_point_v<Member>) {
      return {NumberText(value), Kind::kNumber};
    } else if constexpr (std::is_same_v<Member, std::string>) {
      return {value};
    } else if constexpr (std::is_same_v<Member, devseries::LanguageStringSet>) {
      return {value[0]};
    } else if constexpr (std::is_same_v<Member, devseries::TimeStamp>) {
      return {TimeText(value)};
    } else if constexpr (std::is_same_v<Member, devseries::InkRGB>) {
      return {RgbText(value), Kind::kColour};
    } else if constexpr (report_detail::kIsRecordList<Member>) {
      // A list of records has a table or section of its own.
      return {std::to_string(value.size()), Kind::kNumber};
    } else if constexpr (kIsVector<Member> || kIsArray<Member>) {
      return {ListText(meaning, value)};
    } else {
      return {RecordText(value)};
    }
  }

  // The entries of a list or table: "0, 1, 2", "none" for no entries. The
  // entries of a table of indices up to the last that refers to an entry,
  // each by the name of what it refers to; a list with one entry per entry
  // of another, "name: value" per entry, joined with "; "; a table of
  // records, "position: its members" per entry, joined with "; ".
  template <typename List>
  std::string ListText(const Meaning& meaning, const List& list) const {
    using Entry = typename List::value_type;
    size_t count = list.size();
    if constexpr (std::is_integral_v<Entry> && !std::is_same_v<Entry, bool>) {
      if (!meaning.refersTo.empty() && report_detail::kIsArray<List>) {
        while (count > 0 && list[count - 1] < 0) --count;
      }
    }
    const std::vector<std::string>* per =
        meaning.entryPer.empty() ? nullptr
                                 : references_.Names(meaning.entryPer);
    std::string text;
    for (size_t i = 0; i < count; ++i) {
      if (!text.empty()) {
        text += report_detail::Modelled<Entry> || per != nullptr ? "; " : ", ";
      }
      if constexpr (report_detail::Modelled<Entry> &&
                    report_detail::kIsArray<List>) {
        text += std::to_string(i) + ": ";
      }
      if (per != nullptr) {
        text += (i < per->size() && !(*per)[i].empty()
                     ? (*per)[i]
                     : "entry " + std::to_string(i)) +
                ": ";
      }
      if constexpr (std::is_integral_v<Entry> && !std::is_same_v<Entry, bool>) {
        // An entry of a list of named or packed values is decoded as a
        // member of that meaning is.
        text += meaning.refersTo.empty()
                    ? IntegerText(meaning, list[i])
                    : references_.Name(meaning.refersTo, list[i]);
      } else {
        text += Value(Meaning{}, Encoding::kCustom, list[i]).text;
      }
    }
    return text.empty() ? "none" : text;
  }

  const References& references_;
};

// What a member's heading says of it beyond its label: the model's
// description where the label is a short one of its own, a packed value's
// layout, and the names an enumeration gives its values ("values: 8 custom
// screening"), joined with "; ". Empty where the label says it all.
std::string MemberNote(const devseries::field_model::Meaning& meaning);

// A column of a table of records of kind Record, or a line of a record's
// figures: what heads it and how it reads a record.
template <typename Record>
struct Column {
  std::string label;        // "Crop margin (mm)"
  std::string description;  // what the model says the member means
  // What the heading shows of the member's meaning under its label, where
  // the label does not say it all (MemberNote); empty otherwise.
  std::string note;
  std::string member;  // the member's name
  std::function<std::optional<CellValue>(const Record&)> value;
  // The key under which the record's one-line summary shows the member
  // ("name", "index", "heads"); empty for a member it leaves out.
  std::string summary;
};

// The columns of the members of Record that the report shows, in the
// model's order; a nested record gives a column per member of its own,
// headed "its label: the member's label" (a group of columns).
template <typename Record>
std::vector<Column<Record>> Columns(const MemberValues& values) {
  std::vector<Column<Record>> columns;
  devseries::field_model::ForEachField<Record>([&](const auto& row) {
    using Row = std::remove_cvref_t<decltype(row)>;
    using Member = typename Row::MemberType;
    if constexpr (report_detail::kNested<Member>) {
      if (!IsShown(row)) return;
      const std::string group = MemberLabel(row.meaning, row.kEncoding);
      for (Column<Member>& inner : Columns<Member>(values)) {
        columns.push_back(
            {group + ": " + inner.label, std::move(inner.description),
             std::move(inner.note),
             std::string(row.MemberName()) + "." + inner.member,
             [row, read = std::move(inner.value)](
                 const Record& record) -> std::optional<CellValue> {
               if (!MemberValues::Stored(row, record)) return std::nullopt;
               return read(record.*row.member);
             },
             ""});
      }
    } else if constexpr (report_detail::Showable<Member>()) {
      if (!IsShown(row)) return;
      columns.push_back(
          {MemberLabel(row.meaning, row.kEncoding),
           std::string(row.meaning.description), MemberNote(row.meaning),
           std::string(row.MemberName()),
           [&values, row](const Record& record) { return values(row, record); },
           std::string(row.meaning.summary)});
    }
  });
  return columns;
}

// Whether the model of Record marks a member as the record's index.
template <typename Record>
constexpr bool HasIndexMember() {
  return std::apply(
      [](const auto&... row) {
        return ((row.meaning.summary == "index") || ...);
      },
      devseries::field_model::Model<Record>::kFields);
}

// The member the model of Record marks as the record's index; nothing for
// a record without one.
template <typename Record>
std::optional<std::int64_t> RecordIndex(const Record& record) {
  std::optional<std::int64_t> index;
  devseries::field_model::ForEachField<Record>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if constexpr (std::is_integral_v<Member>) {
      if (row.meaning.summary == "index") index = record.*row.member;
    }
  });
  return index;
}

// The name the model of Record marks: its text, a language set's English
// one; empty for a record without one.
template <typename Record>
std::string RecordName(const Record& record) {
  std::string name;
  devseries::field_model::ForEachField<Record>([&](const auto& row) {
    using Member = typename std::remove_cvref_t<decltype(row)>::MemberType;
    if (row.meaning.summary != "name") return;
    if constexpr (std::is_same_v<Member, std::string>) {
      name = record.*row.member;
    } else if constexpr (std::is_same_v<Member, devseries::LanguageStringSet>) {
      name = (record.*row.member)[0];
    }
  });
  return name;
}

}  // namespace dsrtool
