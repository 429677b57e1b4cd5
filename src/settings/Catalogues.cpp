#include "settings/Catalogues.h"

#include <algorithm>
#include <string>

#include "settings/ValueRules.h"

namespace kl::settings {
namespace {

constexpr Sense kInverted = Sense::Inverted;
constexpr Sense kDirect = Sense::Direct;

// The full load order: `first` as given, then the remaining rows in save order.
std::vector<const char*> loadFirst(const std::vector<BindingRow>& rows,
                                   std::vector<const char*> first) {
  for (const BindingRow& row : rows)
    if (std::none_of(first.begin(), first.end(),
                     [&](const char* name) { return std::string(name) == row.valueName; }))
      first.push_back(row.valueName);
  return first;
}

Catalogue directX() {
  Catalogue c{"DirectX",
              Family::Text,
              {
                  {"checkWBuf", "D3D", "ExportWBuffer"},
                  {"checkAltPix", "D3D", "PixelCenter"},
                  {"checkCompTex", "D3D", "ExportCompressedTex"},
                  {"checkVSync", "D3D", "VSync"},
                  {"checkFastZ", "D3D", "FastZClearEnabled"},
                  {"checkHyperZ", "D3D", "DisableHyperZ", kInverted},
                  {"checkHierZ", "D3D", "DisableHierarchicalZ", kInverted},
                  {"comboAlphaBlend", "D3D", "DitherAlpha", kDirect, &rules::ditherAlpha},
                  {"comboZBuff", "D3D", "ZFormats", kDirect, &rules::zFormats},
                  {"comboAnisoD3D", "D3D", "AnisoDegree", kDirect, &rules::anisoDegree},
                  {"spinZCompres", "D3D", "ZCompressionMode", kDirect, &rules::zCompression},
              },
              {}};
  c.loadOrder = loadFirst(c.rows, {"DisableHyperZ", "DisableHierarchicalZ", "ExportCompressedTex",
                                   "ExportWBuffer", "PixelCenter", "VSync", "FastZClearEnabled",
                                   "ZFormats", "DitherAlpha", "AnisoDegree", "ZCompressionMode"});
  return c;
}

// The fog switches, "Anisotropy Linear" and TruForm sit on the DirectX page.
Catalogue directXAdvanced() {
  Catalogue c{"DirectX Advanced",
              Family::Text,
              {
                  {"checkTableFog", "D3D", "TableFogEnable"},
                  {"checkZFog", "D3D", "ZFogEnable"},
                  {"checkWfog", "D3D", "WFogEnable"},
                  {"checkDiscreteFog", "D3D", "DiscreteFogEnable"},
                  {"checkVolFog", "D3D", "VolFogEnable"},
                  {"checkAnisoLinear", "D3D", "AnisoLinear"},
                  {"checkVertexFog", "D3D", "VertexFogEnable"},
                  {"checkBumpMap", "D3D", "ExportBumpMappedTex"},
                  {"checkVolTex", "D3D", "ExportSignedVolTex"},
                  {"checkColorFill", "D3D", "ColorFill"},
                  {"checkOptTexStages", "D3D", "OptimizeTexStages"},
                  {"checkCubeMap", "D3D", "ExportMipMapCubeMaps"},
                  {"checkZMaskEnable", "D3D", "ZMaskEnable"},
                  {"checkClipOpt", "D3D", "ClipOptimizations"},
                  {"checkPrimTile", "D3D", "PrimaryTiling"},
                  {"checkBackBufTile", "D3D", "BackBufTiling"},
                  {"checkTexTiling", "D3D", "TextureTiling"},
                  {"checkTexMicroTile", "D3D", "TextureMicroTiling"},
                  {"checkPlainTiling", "D3D", "PlainTiling"},
                  {"checkAGPTexTile", "D3D", "AGPTextureTiling"},
                  {"checkAGPMicroTile", "D3D", "AGPTextureMicroTiling"},
                  {"checkSysMemBlts", "D3D", "SysMemBlts"},
                  {"checkRemoveDegenTris", "D3D", "RemoveDegenTris"},
                  {"checkValidateVertexIndex", "D3D", "ValidateVertexIndex"},
                  {"checkFastColorClear", "D3D", "FastColorClear"},
                  {"checkEnablePerformance", "D3D", "EnablePerformance"},
                  {"checkFastColorClearPrimary", "D3D", "FastColorClearPrimary"},
                  {"checkBlendOpEnable", "D3D", "BlendOpEnable"},
                  {"checkRasterGuardBandEnable", "D3D", "RasterGuardbandEnable"},
                  {"checkExportYUVTex", "D3D", "ExportYUVTex"},
                  {"checkNONPOW2TextureCaps", "D3D", "NONPOW2TextureCaps"},
                  {"checkPointSprites", "D3D", "PointSprites"},
                  {"checkPureDevice", "D3D", "PureDevice"},
                  {"checkLVB", "D3D", "LVB"},
                  {"checkOptimizePVSCode", "D3D", "OptimizePVSCode"},
                  {"checkEnableRTPatch", "D3D", "EnableRTPatch"},
                  {"checkAGPTexture", "D3D", "AGPTexture"},
                  {"checkEnablePlaneMaskWorkaround", "D3D", "EnablePlaneMaskWorkaround"},
                  {"checkTclEnableBackFaceCulling", "D3D", "TclEnableBackFaceCulling"},
                  {"checkTclEnableVertexBlend2Optimize", "D3D", "TclEnableVertexBlend2Optimize"},
                  {"checkTclEnableVertexBlendUseProjMat", "D3D", "TclEnableVertexBlendUseProjMat"},
                  {"checkEnableTruForm", "D3D", "NPatchMode", kDirect, &rules::truForm},
              },
              {}};
  c.loadOrder = loadFirst(c.rows, {"TableFogEnable", "WFogEnable", "ZFogEnable", "VolFogEnable",
                                   "DiscreteFogEnable", "VertexFogEnable"});
  return c;
}

Catalogue openGL() {
  return {"OpenGL",
          Family::Dword,
          {
              {"checkConvTex32to16", "OGL", "OGLConvertTextures32To16"},
              {"checkHWPageFlip", "OGL", "OGLEnableHWPageFlip"},
              {"checkForce16Z", "OGL", "OGLForce16BitZBuffer"},
              {"checkKTXBuffer", "OGL", "OGLEnableKTXBufferRegion"},
              {"checkVSyncOGL", "OGL", "OGLWaitVerticalSync"},
              {"checkTexCompr", "OGL", "OGLEnableTextureCompression"},
              {"checkOGLTracing", "OGL", "OGLTracing"},
              {"checkAlphaDither", "OGL", "OGLDisableDitherWhenAlphaBlending", kInverted},
              {"trackLOD", "OGL", "OGLLODBias", kDirect, &rules::lodBias},
              {"trackSubPixelPrecision", "OGL", "OGLSubPixelPrecision", kDirect,
               &rules::subPixelPrecision},
              {"comboAniso", "OGL", "OGLMaxAnisotropy", kDirect, &rules::maxAnisotropy},
          },
          {}};
}

// "Disable Screensavers" sits on the OpenGL page.
Catalogue openGLPrivate() {
  return {"OpenGL Private",
          Family::Dword,
          {
              {"checkEnableAALines", "OGLP", "enableAALines"},
              {"checkDynamicDither", "OGLP", "enableDynamicDither"},
              {"checkFastZMaskClear", "OGLP", "enableFastZMaskClear"},
              {"checkHierarchicalZ", "OGLP", "enableHierarchicalZ"},
              {"checkMacroTile", "OGLP", "enableMacroTile"},
              {"checkMicroTile", "OGLP", "enableMicroTile"},
              {"checkMultiTexture", "OGLP", "enableMultiTexture"},
              {"checkForce32", "OGLP", "use32BitTextures"},
              {"checkZFormat32", "OGLP", "zFormat9x_32"},
              {"checkZFormat16", "OGLP", "zFormat9x_16"},
              {"checkPVSGEN", "OGLP", "enablePVSGEN"},
              {"checkZCompr", "OGLP", "enableZCompression"},
              {"checkdisableScreenSavers", "OGLP", "disableScreenSavers"},
              {"checkenableVidMemTextures", "OGLP", "enableVidMemTextures"},
              {"checktclDlistInAGP", "OGLP", "tclDlistInAGP"},
              {"checktclDlistInLocal", "OGLP", "tclDlistInLocal"},
              {"checkuseFastAALines", "OGLP", "useFastAALines"},
              {"checkwaitForIdleAfterSubmit", "OGLP", "waitForIdleAfterSubmit"},
              {"checkenableAnisotropicFiltering", "OGLP", "enableAnisotropicFiltering"},
              {"checkZCompForAllConfigs", "OGLP", "ZCompForAllConfigs"},
              {"checkenableTearFreeSwap", "OGLP", "enableTearFreeSwap"},
              {"checkenableDumpShaders", "OGLP", "enableDumpShaders"},
              {"checkuseBlt", "OGLP", "useBlt"},
              {"checkenablePointParameters", "OGLP", "enablePointParameters"},
              {"checkenablePIOTex", "OGLP", "enablePIOTex"},
              {"checkenableAGPTextures", "OGLP", "enableAGPTextures"},
              {"checkuseFastTextureCompression", "OGLP", "useFastTextureCompression"},
              {"checkuseFastTrilinear", "OGLP", "userFastTrilinear"},
              {"checkHyperZOGLP", "OGLP", "disableHyperZ", kInverted},
          },
          {}};
}

Catalogue dvd() {
  return {"DVD",
          Family::Dword,
          {
              {"checkIDCT", "D3D", "DisableIDCT", kInverted},
              {"checkOverscan", "D3D", "TVEnableOverScan"},
              {"checkAdaptive", "D3D", "VPE Adaptive De-interlacing"},
              {"checkAdaptiveNONVPE", "D3D", "Adaptive De-interlacing"},
              {"checkAdaptiveSoft", "D3D", "Adaptive De-interlacing Adj"},
          },
          {}};
}

// Two keys, one profile section: the processor extensions SSE, SSE2 and
// 3DNow! live under the OpenGL private key.
Catalogue desktop() {
  return {"GUI",
          Family::Dword,
          {
              {"checkDrvAlphaBlend", "D3D", "DisableDrvAlphaBlend", kInverted},
              {"checkDrvStrBlt", "D3D", "DisableDrvStretchBlt", kInverted},
              {"checkBlockWrite", "D3D", "DisableBlockWrite", kInverted},
              {"checkUSWC", "D3D", "DisableUSWC", kInverted},
              {"checkMMX", "D3D", "DisableMMX", kInverted},
              {"checkSSE", "OGLP", "enableSSE"},
              {"checkSSE2", "OGLP", "enableSSE2"},
              {"check3DNow", "OGLP", "enable3DNow"},
          },
          {}};
}

Catalogue driverTabs() {
  return {"DriverTabs",
          Family::BinaryFlag,
          {
              {"checkProjector", "Driver", "Projector"},
              {"checkMaxx", "Driver", "Maxx"},
              {"checkRotation", "Driver", "Rotation"},
              {"checkWorkstation", "Driver", "Workstation"},
          },
          {}};
}

}  // namespace

const Catalogue& catalogueOf(Group group) {
  static const Catalogue catalogues[7] = {
      directX(), directXAdvanced(), openGL(), openGLPrivate(), dvd(), desktop(), driverTabs()};
  return catalogues[static_cast<int>(group)];
}

}  // namespace kl::settings
