#pragma once
// How the value controls of the setting pages map to their stored numbers.
// Each rule saves the controls' state as decimal text and sets the controls
// from stored text ("-1" when not set). Text that is not a number raises
// "'%s' is not a valid integer value" before any control changes.
#include "settings/Bindings.h"

namespace kl::settings::rules {

// comboAlphaBlend, "DitherAlpha": the item index; no item stores "-1".
extern const ValueRule ditherAlpha;
// comboZBuff with check8Stencil, "ZFormats": the Z-format code (1 for 16-bit
// depth, 2 for 24-bit, 4 for the 8-bit stencil, 8 for 32-bit); nothing is
// written while no item is selected.
extern const ValueRule zFormats;
// comboAnisoD3D, "AnisoDegree": 2 to the power of the item index, item 0 as 0.
extern const ValueRule anisoDegree;
// spinZCompres, "ZCompressionMode": 0 to 3.
extern const ValueRule zCompression;
// checkEnableTruForm with trackTruForm, "NPatchMode": the strength 0 to 7
// while the box is checked; cleared while it is not.
extern const ValueRule truForm;
// trackLOD, "OGLLODBias", and trackSubPixelPrecision, "OGLSubPixelPrecision":
// the position; not set gives 0.
extern const ValueRule lodBias;
extern const ValueRule subPixelPrecision;
// comboAniso, "OGLMaxAnisotropy": the anisotropy code of comboAnisoD3D.
extern const ValueRule maxAnisotropy;

// The anisotropy code of an item (no item gives 0), and the item of a code
// (-1 for a number that is no item's code).
int anisotropyCode(int itemIndex);
int anisotropyItem(int code);

}  // namespace kl::settings::rules
