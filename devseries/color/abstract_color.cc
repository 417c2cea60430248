#include "devseries/color/abstract_color.h"

namespace devseries {

// Defined here so that the class's type information and virtual table have
// one home.
AbstractColor::~AbstractColor() = default;

}  // namespace devseries
