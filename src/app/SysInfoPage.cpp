// The processor, memory and card rows of the page are not read yet: their
// labels keep the design text "Can't detect".
#include "app/SysInfoPage.h"

namespace kl::app {

void FillSystemInfo(TMainForm&) {}

}  // namespace kl::app
