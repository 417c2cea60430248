// A host whose application title is a given text: the string table the
// tests run with, but for the title that turns the version gate on.
#pragma once

#include <optional>
#include <string>

#include "devseries/platform/resources.h"
#include "devseries/xmlio/common_io.h"

namespace tovra::testing {

// Answers the title (string kHostTitleStringId) with `title` and every other
// lookup as the provider in use when it was made. Install it with
// devseries::platform::ScopedResourceProvider.
class HostTitle : public devseries::platform::ResourceProvider {
 public:
  explicit HostTitle(std::string title) : title_(std::move(title)) {}
  const devseries::platform::ResourceEntry* Find(
      const devseries::platform::ResourceId& name,
      const devseries::platform::ResourceId& type) const override {
    return host_->Find(name, type);
  }
  std::optional<std::string> String(
      devseries::platform::UINT id) const override {
    if (id == devseries::kHostTitleStringId) return title_;
    return host_->String(id);
  }

 private:
  std::string title_;
  const devseries::platform::ResourceProvider* host_ =
      devseries::platform::Seam<
          devseries::platform::ResourceProvider>::Current();
};

}  // namespace tovra::testing
