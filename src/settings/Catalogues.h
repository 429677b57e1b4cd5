#pragma once
// The seven catalogues of driver settings, as data: one row per setting in
// save order, with the load order where it differs.
#include "settings/Bindings.h"

namespace kl::settings {

const Catalogue& catalogueOf(Group group);

}  // namespace kl::settings
