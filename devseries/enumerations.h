// The values the format names for the members that hold a code, as enum
// class types with the format's text of each, and the parts of the one
// packed member (a permission set's print directions).
//
//   #include <devseries/enumerations.h>
//
//   using devseries::ScreenCode;
//   if (set.eScreen == ToCode(ScreenCode::kCustomScreening)) ...
//   std::cout << ToString(static_cast<ScreenCode>(set.eScreen));
//
// The values and texts are those of the records' field models; a test
// holds each enum to its model, value for value and text for text. A
// member's type stays its integer: it may hold a value the format does not
// name, which ToString gives as "".
#pragma once

#include <cstdint>

namespace devseries {

/// The codes of PermissionSet::eScreen that the format names.
enum class ScreenCode : std::int32_t {
  /// Custom screening: the settings are carried in
  /// PermissionSet::screenOption (kCustomScreen).
  kCustomScreening = 8,
};

/// The format's name of `code`: "custom screening"; "" for a code the
/// format does not name.
constexpr const char* ToString(ScreenCode code) noexcept {
  switch (code) {
    case ScreenCode::kCustomScreening:
      return "custom screening";
  }
  return "";
}

/// The types of SeparationTable::eType that the format names.
enum class SeparationTableType : std::int32_t {
  /// The table's output table is carried in the file (its 256 samples).
  kOutputTableInFile = 1,
};

/// The format's name of `type`: "output table carried in the file"; "" for
/// a type the format does not name.
constexpr const char* ToString(SeparationTableType type) noexcept {
  switch (type) {
    case SeparationTableType::kOutputTableInFile:
      return "output table carried in the file";
  }
  return "";
}

/// The colour spaces of CustomColorInfo::nColorSpace: the spaces a custom
/// colour is stored in (the values of kColorSpaceCMYK and
/// kColorSpaceCMYKOG).
enum class CustomColorSpace : std::int32_t {
  /// Cyan, magenta, yellow and black: a "CMYKColor" element.
  kCMYK = 2,
  /// CMYK with orange and green: a "CMYKOGColor" element.
  kCMYKOG = 4,
};

/// The format's name of `space`: "CMYK" or "CMYKOG"; "" for a space the
/// format does not name.
constexpr const char* ToString(CustomColorSpace space) noexcept {
  switch (space) {
    case CustomColorSpace::kCMYK:
      return "CMYK";
    case CustomColorSpace::kCMYKOG:
      return "CMYKOG";
  }
  return "";
}

/// The PermissionSet::eScreen value of `code`.
constexpr std::int32_t ToCode(ScreenCode code) noexcept {
  return static_cast<std::int32_t>(code);
}
/// The SeparationTable::eType value of `type`.
constexpr std::int32_t ToCode(SeparationTableType type) noexcept {
  return static_cast<std::int32_t>(type);
}
/// The CustomColorInfo::nColorSpace value of `space`.
constexpr std::int32_t ToCode(CustomColorSpace space) noexcept {
  return static_cast<std::int32_t>(space);
}

/// PermissionSet::eDirection in its parts. The member packs them in 32
/// bits: the low 16 bits are the allowed directions, bit 0 allowing
/// direction 1 and bit 1 direction 2; the high 16 bits are the preferred
/// direction, 1 or 2 (0: none given; a read gives one, NormalizeDirection).
struct PrintDirections {
  /// The allowed directions as flags: bit n allows direction n + 1.
  std::uint16_t allowed = 0;
  /// The preferred direction (1 or 2); 0 when none is given.
  std::uint16_t preferred = 0;

  /// True when direction `direction` (1 to 16) is allowed.
  constexpr bool Allows(int direction) const noexcept {
    return direction >= 1 && direction <= 16 &&
           ((allowed >> (direction - 1)) & 1u) != 0;
  }
};

/// The parts of a PermissionSet::eDirection value.
constexpr PrintDirections UnpackDirections(std::int32_t eDirection) noexcept {
  const auto bits = static_cast<std::uint32_t>(eDirection);
  PrintDirections directions;
  directions.allowed = static_cast<std::uint16_t>(bits & 0xFFFFu);
  directions.preferred = static_cast<std::uint16_t>(bits >> 16);
  return directions;
}

/// The PermissionSet::eDirection value of `directions`:
/// PackDirections(UnpackDirections(value)) == value for every value.
constexpr std::int32_t PackDirections(PrintDirections directions) noexcept {
  const std::uint32_t bits =
      (static_cast<std::uint32_t>(directions.preferred) << 16) |
      directions.allowed;
  // The 32 bits as a signed value, without relying on the conversion of an
  // unsigned value past the signed range.
  return bits <= 0x7FFFFFFFu
             ? static_cast<std::int32_t>(bits)
             : static_cast<std::int32_t>(bits - 0x80000000u) - 0x7FFFFFFF - 1;
}

}  // namespace devseries
