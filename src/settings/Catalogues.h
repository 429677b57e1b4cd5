#pragma once
// The seven catalogues of driver settings, as data: one row per setting in
// save order, with the load order where it differs.
#include "settings/Bindings.h"

namespace kl::settings {

enum class Group { DirectX, DirectXAdvanced, OpenGL, OpenGLPrivate, DVD, Desktop, DriverTabs };

const Catalogue& catalogueOf(Group group);

}  // namespace kl::settings
