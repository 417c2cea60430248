#include "tools/dsrtool_src/host_title.h"

#include "devseries/xmlio/common_io.h"

namespace dsrtool {

using namespace ::devseries;

// Answers the title itself and hands every other lookup to the provider in
// use when it was made: the program's own resources, whichever way the
// platform keeps them.
class ScopedHostTitle::Provider : public platform::ResourceProvider {
 public:
  explicit Provider(std::string title)
      : resources_(platform::Seam<platform::ResourceProvider>::Current()),
        title_(std::move(title)) {}

  const platform::ResourceEntry* Find(
      const platform::ResourceId& name,
      const platform::ResourceId& type) const override {
    return resources_->Find(name, type);
  }
  std::optional<std::string> String(platform::UINT id) const override {
    if (id == kHostTitleStringId) return title_;
    return resources_->String(id);
  }

 private:
  platform::ResourceProvider* resources_;
  std::string title_;
};

ScopedHostTitle::ScopedHostTitle(std::string title)
    : provider_(std::make_unique<Provider>(std::move(title))),
      installed_(provider_.get()) {}

ScopedHostTitle::~ScopedHostTitle() = default;

}  // namespace dsrtool
