// The DOM service's hook for tests. Not installed.
#pragma once

namespace devseries::platform {

// Installs, through Seam<DomServiceProbe>, a probe that answers false
// (`available` false) or the default probe again (true). For tests.
void SetDomServiceAvailableForTesting(bool available);

}  // namespace devseries::platform
