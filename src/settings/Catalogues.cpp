#include "settings/Catalogues.h"

namespace kl::settings {

// The catalogues are filled in with the pages that hold their controls.
const Catalogue& catalogueOf(Group group) {
  static const Catalogue empty[7] = {
      {"DirectX", Family::Text, {}, {}},        {"DirectX Advanced", Family::Text, {}, {}},
      {"OpenGL", Family::Dword, {}, {}},        {"OpenGL Private", Family::Dword, {}, {}},
      {"DVD", Family::Dword, {}, {}},           {"GUI", Family::Dword, {}, {}},
      {"DriverTabs", Family::BinaryFlag, {}, {}}};
  return empty[static_cast<int>(group)];
}

}  // namespace kl::settings
