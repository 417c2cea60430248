// Records made from their field models for tests that go over every record
// kind: Filler gives every stored member a value unlike its construction
// value, SameMembers compares two records member by member.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <type_traits>
#include <vector>

#include "devseries/color/custom_color_info_model_internal.h"
#include "devseries/device_series_model_internal.h"
#include "devseries/records/media/uv_lamp_power_model_internal.h"

namespace tovra::testing {

using namespace ::devseries;
using namespace ::devseries::field_model;

template <typename T>
struct IsVector : std::false_type {};
template <typename T>
struct IsVector<std::vector<T>> : std::true_type {};
template <typename T>
struct IsArray : std::false_type {};
template <typename T, size_t N>
struct IsArray<std::array<T, N>> : std::true_type {};

template <typename T>
concept Modelled = requires {
  Model<T>::kFields;
};

// Gives every stored member a value unlike its construction value; values
// that the format writes with three decimals are exact at two.
class Filler {
 public:
  template <typename Record>
  void FillRecord(Record& record) {
    ForEachField<Record>([&](const auto& row) {
      using Row = std::remove_cvref_t<decltype(row)>;
      if constexpr (Row::kEncoding != Encoding::kNotStored) {
        Fill<Row::kEncoding>(record.*row.member);
      }
    });
    Adjust(record);
  }

 private:
  template <Encoding E, typename T>
  void Fill(T& member) {
    if constexpr (std::is_same_v<T, bool>) {
      member = !member;
    } else if constexpr (E == Encoding::kIntegerAsBoolean) {
      member = member == 1 ? 0 : 1;
    } else if constexpr (std::is_integral_v<T>) {
      member = static_cast<T>(Next() % 250 + 2);
    } else if constexpr (std::is_floating_point_v<T>) {
      member = static_cast<T>(Next() + 0.25);
    } else if constexpr (E == Encoding::kEscapedText) {
      member = std::string("esc\0\x1b\n", 6) + std::to_string(Next());
    } else if constexpr (std::is_same_v<T, std::string>) {
      member = "text " + std::to_string(Next());
    } else if constexpr (std::is_same_v<T, LanguageStringSet>) {
      for (std::string& text : member) text = "name " + std::to_string(Next());
    } else if constexpr (std::is_same_v<T, TimeStamp>) {
      member = TimeStamp{2026, 12, 9, 18, 47, 5, 250};
    } else if constexpr (std::is_same_v<T, InkRGB>) {
      member = InkRGB{12, 200, 255};
    } else if constexpr (std::is_same_v<T, OutputTable>) {
      OutputTableSamples samples{};
      for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<std::uint16_t>(i * 16 + Next() % 7);
      }
      BuildOutputTable(samples, member);
    } else if constexpr (Modelled<T>) {
      FillRecord(member);
    } else if constexpr (IsArray<T>::value) {
      for (auto& entry : member) Fill<E>(entry);
    } else if constexpr (IsVector<T>::value) {
      member.emplace_back();
      Fill<E>(member.back());
    } else {
      static_assert(sizeof(T) == 0, "a member type the filler does not know");
    }
  }

  // Values the format's rules would change on reading: a preferred print
  // direction, the custom screening that carries screenOption, the output
  // table carried in the file, a colour space with every channel.
  void Adjust(PermissionSet& record) {
    record.eDirection = (1 << 16) | 3;
    record.eScreen = kCustomScreen;
  }
  void Adjust(SeparationTable& table) { table.eType = 1; }
  void Adjust(CustomColorInfo& info) { info.nColorSpace = kColorSpaceCMYKOG; }
  template <typename Record>
  void Adjust(Record&) {}

  int Next() { return ++counter_; }
  int counter_ = 0;
};

// Equal member by member, as the model lists them.
template <typename Record>
::testing::AssertionResult SameMembers(const Record& a, const Record& b) {
  std::string different;
  ForEachField<Record>([&](const auto& row) {
    if (!(a.*row.member == b.*row.member)) {
      different +=
          std::string(different.empty() ? "" : ", ") + std::string(row.name);
    }
  });
  if (different.empty()) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "members differ: " << different;
}

}  // namespace tovra::testing
