#include "devseries/color/lab_color.h"

#include <utility>

#include "devseries/color/color_exceptions.h"
#include "devseries/color/internal/channel_copy.h"

namespace devseries {

int LabColor::GetColorSpace() const { return kColorSpaceLab; }

std::string LabColor::GetColorSpaceName() const { return "Lab"; }

const float& LabColor::Channel(int nIndex) const {
  switch (nIndex) {
    case 0:
      return flL;
    case 1:
      return flA;
    case 2:
      return flB;
  }
  throw InvalidIndexException(GetColorSpaceName(), nIndex);
}

float& LabColor::Channel(int nIndex) {
  return const_cast<float&>(std::as_const(*this).Channel(nIndex));
}

float LabColor::GetValue(int nIndex) const { return Channel(nIndex); }

void LabColor::SetValue(int nIndex, float flValue) {
  Channel(nIndex) = flValue;
}

AbstractColor& LabColor::Assign(const AbstractColor& other) {
  return color_internal::AssignChannels(*this, other);
}

AbstractColor* LabColor::Clone() const {
  return color_internal::CloneChannels(*this);
}

void LabColor::Print(std::ostream& os) const {
  static constexpr std::array<const char*, kChannelCount> kLabels = {
      "L:", "a:", "b:"};
  os << "Lab" << std::endl;
  // Deliberately not restored: the stream keeps fixed two-decimal output.
  os.flags(std::ios::fixed);
  os.precision(2);
  for (int i = 0; i < kChannelCount; ++i) {
    os << kLabels[i] << GetValue(i) << std::endl;
  }
}

}  // namespace devseries
