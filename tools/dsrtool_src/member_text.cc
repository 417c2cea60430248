#include "tools/dsrtool_src/member_text.h"

namespace dsrtool {

using devseries::field_model::Encoding;
using devseries::field_model::EnumName;
using devseries::field_model::Meaning;
using devseries::field_model::Packing;

std::string Capitalised(std::string_view text) {
  std::string result(text);
  if (!result.empty() && result[0] >= 'a' && result[0] <= 'z') {
    result[0] = static_cast<char>(result[0] - 'a' + 'A');
  }
  return result;
}

std::string MemberLabel(const Meaning& meaning, Encoding encoding) {
  std::string_view text =
      meaning.label.empty() ? meaning.description : meaning.label;
  std::string_view unit = meaning.unit;
  if (encoding == Encoding::kLanguageSet) {
    constexpr std::string_view kPerLanguage = " per language";
    if (text.ends_with(kPerLanguage)) text.remove_suffix(kPerLanguage.size());
    unit = "English";
  }
  std::string label = Capitalised(text);
  if (!unit.empty()) label += " (" + std::string(unit) + ")";
  return label;
}

std::string_view EnumerationName(const Meaning& meaning, std::int64_t value) {
  for (const EnumName& name : meaning.names) {
    if (name.value == value) return name.name;
  }
  return {};
}

std::string PackedText(Packing packing, std::int64_t value) {
  if (packing == Packing::kNone) return std::to_string(value);
  // kChoicesAndPreferred: the halves of the 32-bit value.
  const auto bits = static_cast<std::uint32_t>(value);
  std::string choices;
  for (unsigned bit = 0; bit < 16; ++bit) {
    if ((bits >> bit & 1u) == 0) continue;
    if (!choices.empty()) choices += ", ";
    choices += std::to_string(bit + 1);
  }
  std::string text = choices.empty() ? "none allowed" : "allowed " + choices;
  if (const std::uint32_t preferred = bits >> 16; preferred != 0) {
    text += "; preferred " + std::to_string(preferred);
  }
  return text;
}

std::string IntegerText(const Meaning& meaning, std::int64_t value) {
  if (meaning.packing != Packing::kNone) {
    return PackedText(meaning.packing, value);
  }
  const std::string_view name = EnumerationName(meaning, value);
  std::string text = std::to_string(value);
  if (!name.empty()) text += " (" + std::string(name) + ")";
  return text;
}

}  // namespace dsrtool
