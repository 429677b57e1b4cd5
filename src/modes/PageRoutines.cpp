// The mode-list pages are not built yet: listCusRes has no entries and
// groupRes no rate boxes, so these routines find nothing to read or write.
#include "modes/PageRoutines.h"

namespace kl::modes {

void LoadCustomResolutionChecks(app::TMainForm&) {}
void WriteCustomResolutions(app::TMainForm&) {}
void BuildRefreshRatePage(app::TMainForm&) {}
void ApplyRefreshRates(app::TMainForm&) {}

}  // namespace kl::modes
