// dsrtool as a host with an application title: the library's version gate
// compares the host's title string (57344) with the product caption, and
// dsrtool's own string table has no title, so the gate is off unless
// --host-title gives one.
#pragma once

#include <memory>
#include <string>

#include "devseries/platform/resources.h"

namespace dsrtool {

using namespace ::devseries;

// While it lives, string 57344 reads as `title` and every other resource and
// string comes from the tool's own table.
class ScopedHostTitle {
 public:
  explicit ScopedHostTitle(std::string title);
  ~ScopedHostTitle();
  ScopedHostTitle(const ScopedHostTitle&) = delete;
  ScopedHostTitle& operator=(const ScopedHostTitle&) = delete;

 private:
  class Provider;
  std::unique_ptr<Provider> provider_;
  platform::ScopedResourceProvider installed_;
};

}  // namespace dsrtool
