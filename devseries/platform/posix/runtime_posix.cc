// The component runtime and module resources of POSIX systems: the count
// alone, and the table the build generated from the resource script.
#include "devseries/platform/com.h"
#include "devseries/platform/com_codes.h"
#include "devseries/platform/host_internal.h"
#include "devseries/platform/resources.h"

namespace devseries::platform {
namespace {

class StartingRuntime : public ComponentRuntime {
 public:
  HRESULT Start() override { return S_OK; }
};

}  // namespace

ComponentRuntime* ComponentRuntime::Default() {
  static StartingRuntime runtime;
  return &runtime;
}

ResourceProvider* ResourceProvider::Default() {
  return host::HostTableResourceProvider();
}

}  // namespace devseries::platform
