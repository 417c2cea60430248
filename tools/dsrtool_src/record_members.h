// The members of a record as dsrtool's JSON sees them, taken from the
// record's field model: every member, in declaration order, by its own name,
// with what a file stores of it.
//
// EachMember(record, visit) calls, for every member, one of
//   visit(name, member)                 stored by every file
//   visit.Bytes(name, member)           a byte string, stored
//   visit.StoredWhen(stored, name, member, "eScreen is 8 (...)")
//                                       stored only when `stored`
//   visit.InMemory(name, member)        kept in memory only
//   visit.Table(name, member, stored)   an output table, whose samples are
//                                       stored when `stored`
// each after visit.Describe(meaning) where the visitor has it. `record` is
// the record, const or not.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"
#include "devseries/xmlio/time_stamp_model_internal.h"

namespace dsrtool {

namespace model = ::devseries::field_model;

template <typename T>
constexpr bool kIsVector = false;
template <typename T, typename A>
constexpr bool kIsVector<std::vector<T, A>> = true;
template <typename T>
constexpr bool kIsArray = false;
template <typename T, size_t N>
constexpr bool kIsArray<std::array<T, N>> = true;

// A record kind that has a field model.
template <typename T>
concept FieldRecord = requires {
  model::Model<T>::kFields;
};

template <FieldRecord T>
constexpr size_t kMemberCount =
    std::tuple_size_v<std::remove_cvref_t<decltype(model::Model<T>::kFields)>>;

// The model's rows in the order of the record's declaration: the model is in
// the writer's order, the JSON form in the declaration's. Found once from
// where each member lies in a record.
template <FieldRecord T>
const std::array<size_t, kMemberCount<T>>& DeclarationOrder() {
  static const std::array<size_t, kMemberCount<T>> order = [] {
    const T probe{};
    const char* base = reinterpret_cast<const char*>(&probe);
    std::array<std::pair<std::ptrdiff_t, size_t>, kMemberCount<T>> at{};
    size_t row = 0;
    model::ForEachField<T>([&](const auto& field) {
      at[row] = {reinterpret_cast<const char*>(&(probe.*field.member)) - base,
                 row};
      ++row;
    });
    std::sort(at.begin(), at.end());
    std::array<size_t, kMemberCount<T>> rows{};
    for (size_t i = 0; i < rows.size(); ++i) rows[i] = at[i].second;
    return rows;
  }();
  return order;
}

namespace members_detail {

template <size_t I, typename Record, typename Visit>
void VisitRow(Record& record, Visit& visit) {
  using Plain = std::remove_const_t<Record>;
  const auto& row = std::get<I>(model::Model<Plain>::kFields);
  using Row = std::remove_cvref_t<decltype(row)>;
  using Codec = typename Row::CodecType;
  using Member = typename Row::MemberType;
  auto& member = record.*row.member;
  const std::string_view name = row.MemberName();
  if constexpr (requires { visit.Describe(row.meaning); }) {
    visit.Describe(row.meaning);
  }
  if constexpr (std::is_same_v<Codec, model::NotStored>) {
    visit.InMemory(name, member);
  } else if constexpr (std::is_same_v<Codec, model::EscapedText>) {
    visit.Bytes(name, member);
  } else if constexpr (std::is_same_v<Member, devseries::OutputTable>) {
    visit.Table(name, member, Codec::SamplesStored(record));
  } else if constexpr (!std::get<I>(model::Model<Plain>::kFields)
                            .storedWhen.empty()) {
    visit.StoredWhen(row.writeIf(record), name, member, row.storedWhen);
  } else {
    visit(name, member);
  }
}

}  // namespace members_detail

template <typename Record, typename Visit>
void EachMember(Record& record, Visit& visit) {
  using Plain = std::remove_const_t<Record>;
  using Call = void (*)(Record&, Visit&);
  static constexpr auto kCalls = []<size_t... I>(std::index_sequence<I...>) {
    return std::array<Call, sizeof...(I)>{
        &members_detail::VisitRow<I, Record, Visit>...};
  }
  (std::make_index_sequence<kMemberCount<Plain>>());
  for (size_t row : DeclarationOrder<Plain>()) kCalls[row](record, visit);
}

// The record's name in the JSON Schema.
template <FieldRecord T>
constexpr std::string_view kRecordName = model::RecordName<T>();

// A small record of numbers, printed on one line.
template <typename T>
constexpr bool kOneLine = [] {
  if constexpr (FieldRecord<T>) {
    return std::apply(
        [](const auto&... row) {
          return sizeof...(row) <= 7 &&
                 (std::is_arithmetic_v<typename std::remove_cvref_t<
                      decltype(row)>::MemberType> &&
                  ...);
        },
        model::Model<T>::kFields);
  } else {
    return false;
  }
}();

}  // namespace dsrtool
