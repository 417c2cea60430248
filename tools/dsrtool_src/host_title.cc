#include "tools/dsrtool_src/host_title.h"

#include "xmlio/common_io.h"

namespace dsrtool {

using namespace ::devseries;

class ScopedHostTitle::Provider : public platform::ResourceProvider {
 public:
  explicit Provider(std::string title)
      : table_(platform::HostResourceTable()), title_(std::move(title)) {}

  const platform::ResourceEntry* Find(
      const platform::ResourceId& name,
      const platform::ResourceId& type) const override {
    return table_.Find(name, type);
  }
  std::optional<std::string> String(platform::UINT id) const override {
    if (id == kHostTitleStringId) return title_;
    return table_.String(id);
  }

 private:
  platform::TableResourceProvider table_;
  std::string title_;
};

ScopedHostTitle::ScopedHostTitle(std::string title)
    : provider_(std::make_unique<Provider>(std::move(title))),
      installed_(provider_.get()) {}

ScopedHostTitle::~ScopedHostTitle() = default;

}  // namespace dsrtool
