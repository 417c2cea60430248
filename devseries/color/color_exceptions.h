// The two errors raised by the colour value classes.
//
// Both derive from std::exception non-publicly: a handler for std::exception
// does not catch them, they are caught by their own types. Both are copyable
// and are thrown by value.
#pragma once

#include <exception>
#include <string>

#pragma GCC visibility push(default)
namespace devseries {

// An attempt to assign a colour from a colour of another class.
class ColorSpaceNotMatchException : private std::exception {
 public:
  // `type1` is the space name of the colour assigned to, `type2` the space
  // name of the colour it was assigned from.
  ColorSpaceNotMatchException(std::string type1, std::string type2);

  // "Type not match <strType1> and <strType2>", composed from the values
  // given at construction; valid as long as this object exists.
  const char* what() const noexcept override;

  std::string strType1;
  std::string strType2;

 private:
  std::string message_;
};

// A channel index outside the channels of a colour space.
class InvalidIndexException : private std::exception {
 public:
  // `type` is the space name of the colour, `index` the rejected index.
  InvalidIndexException(std::string type, int index);

  // "Invalid index <nIndex> on <strType>", composed from the values given at
  // construction; valid as long as this object exists.
  const char* what() const noexcept override;

  std::string strType;
  int nIndex;

 private:
  std::string message_;
};

}  // namespace devseries
#pragma GCC visibility pop
