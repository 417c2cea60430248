// The one shape of every host-service seam of the platform layer.
//
// A service is an abstract class (copying deleted) that names its process
// default with a static `Service* Default()`. Code reads the service in use
// with Seam<Service>::Current(), or is handed it by a caller that did; a
// test puts its own in place with ScopedSeam<Service> for a scope, which
// restores what was installed before when it ends:
//
//   FaultFileSystem faults;
//   ScopedSeam<FileSystem> installed(&faults);
//   // every FileSystem user now reaches `faults`
//
// The installed service is not owned, and must outlive its installation.
#pragma once

#include <atomic>

#pragma GCC visibility push(default)
namespace devseries::platform {

template <typename Service>
class Seam {
 public:
  Seam() = delete;

  // The service installed last, or Service::Default() when none is.
  static Service* Current() {
    Service* installed = installed_.load(std::memory_order_acquire);
    return installed != nullptr ? installed : Service::Default();
  }

  // Puts `service` in place of the current one (nullptr: the default
  // again) and returns the one installed before it, nullptr for the
  // default, so that Install(previous) restores exactly that state.
  static Service* Install(Service* service) {
    return installed_.exchange(service, std::memory_order_acq_rel);
  }

 private:
  // One slot per service type for the whole process: the template's static
  // member has default visibility, so the library and the executables that
  // link it share it.
  static inline std::atomic<Service*> installed_{nullptr};
};

// Installs a service for the lifetime of the object; restores the service
// installed before it on exit. Scopes nest; they end in reverse order.
template <typename Service>
class ScopedSeam {
 public:
  explicit ScopedSeam(Service* service)
      : previous_(Seam<Service>::Install(service)) {}
  ~ScopedSeam() { Seam<Service>::Install(previous_); }
  ScopedSeam(const ScopedSeam&) = delete;
  ScopedSeam& operator=(const ScopedSeam&) = delete;

 private:
  Service* previous_;
};

}  // namespace devseries::platform
#pragma GCC visibility pop
