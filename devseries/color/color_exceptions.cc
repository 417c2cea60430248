#include "devseries/color/color_exceptions.h"

#include <utility>

namespace devseries {

ColorSpaceNotMatchException::ColorSpaceNotMatchException(std::string type1,
                                                         std::string type2)
    : strType1(std::move(type1)), strType2(std::move(type2)) {
  message_ = "Type not match " + strType1 + " and " + strType2;
}

const char* ColorSpaceNotMatchException::what() const noexcept {
  return message_.c_str();
}

InvalidIndexException::InvalidIndexException(std::string type, int index)
    : strType(std::move(type)), nIndex(index) {
  message_ = "Invalid index " + std::to_string(nIndex) + " on " + strType;
}

const char* InvalidIndexException::what() const noexcept {
  return message_.c_str();
}

}  // namespace devseries
