// A record member as people read it, from what its row in the field model
// says it means: the label that heads it, and the text of a value whose
// meaning the model spells out (an enumeration's names, a packed value's
// parts). The report and the listing share these.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "devseries/xmlio/field_model_internal.h"

namespace dsrtool {

// The label of a member: the Meaning's label, else its description with a
// capital first letter; then the unit in parentheses ("Crop margin (mm)").
// A language set is shown by its English text, which the label says in
// place of "per language" ("Media name (English)").
std::string MemberLabel(const devseries::field_model::Meaning& meaning,
                        devseries::field_model::Encoding encoding);

// `text` with a capital first letter (ASCII letters only).
std::string Capitalised(std::string_view text);

// The text of an integer member: a packed value by its parts ("allowed 1,
// 2; preferred 2"), a value the enumeration names with its name ("8 (custom
// screening)"), any other value as its number.
std::string IntegerText(const devseries::field_model::Meaning& meaning,
                        std::int64_t value);

// A packed value of `packing` by its parts; the number for kNone.
std::string PackedText(devseries::field_model::Packing packing,
                       std::int64_t value);

// The name the enumeration gives `value`; empty when it names none.
std::string_view EnumerationName(const devseries::field_model::Meaning& meaning,
                                 std::int64_t value);

}  // namespace dsrtool
