#include "devseries/platform/progress.h"

namespace devseries::platform {

void ProgressReport::Start(ProgressWork work, const std::string& path,
                           std::uint64_t total) {
  Finish();
  observer_ = Seam<ProgressObserver>::Current();
  done_ = 0;
  if (observer_ != nullptr) observer_->Started(work, path, total);
}

void ProgressReport::Finish() {
  if (observer_ == nullptr) return;
  ProgressObserver* observer = observer_;
  observer_ = nullptr;
  observer->Finished();
}

}  // namespace devseries::platform
