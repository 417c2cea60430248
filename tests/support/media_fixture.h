// A medium named the same in every language, for the tests of the merge,
// which matches media by their names.
#pragma once

#include <string>

#include "devseries/records/media/media_info.h"

namespace tovra::testing {

inline devseries::MediaInfo Media(const std::string& name, bool visible) {
  devseries::MediaInfo media;
  media.strMediaName.fill(name);
  media.bVisibleMedia = visible;
  return media;
}

}  // namespace tovra::testing
