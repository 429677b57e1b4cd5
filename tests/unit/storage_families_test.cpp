// How each storage family reads and writes: exact texts, wrong types, failed
// writes, DWORD numbers, binary flags and profiles read loosely.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/error.h"
#include "settings/BindingGroups.h"
#include "settings_fixture.h"

namespace kl::settings {
namespace {

using app::TMainForm;
using ui::CheckState;
namespace user = ui::user;

class StorageFamilies : public testing::SettingsTest {
 protected:
  void SetUp() override {
    SettingsTest::SetUp();
    seed("Driver", "");  // the driver tabs are written only into an existing key
  }
};

// ---- the text family (Direct3D)

TEST_F(StorageFamilies, TextSwitchesCheckOnlyOnTheirExactText) {
  seed("D3D",
       "\"DisableHyperZ\"=\"0\"\n\"DisableHierarchicalZ\"=\"yes\"\n\"VSync\"=\"2\"\n"
       "\"PixelCenter\"=\"\"\n\"FastZClearEnabled\"=\"0x1\"\n"
       "\"ExportWBuffer\"=hex(2):31,00\n");
  TMainForm& f = start();
  EXPECT_EQ(CheckState::Checked, box("checkHyperZ").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkHierZ").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkVSync").state());
  EXPECT_EQ(CheckState::Grayed, box("checkAltPix").state());  // an empty text is not set
  EXPECT_EQ(CheckState::Unchecked, box("checkFastZ").state());
  EXPECT_EQ(CheckState::Checked, box("checkWBuf").state());  // REG_EXPAND_SZ "1"
  EXPECT_EQ(CheckState::Grayed, box("checkCompTex").state());
  SaveDirectXKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("SZ 1", stored("D3D", "DisableHierarchicalZ"));
  EXPECT_EQ("SZ 0", stored("D3D", "VSync"));
  EXPECT_EQ("absent", stored("D3D", "PixelCenter"));
  EXPECT_EQ("absent", stored("D3D", "ExportCompressedTex"));
}

// The load order is visible where a value of the wrong type stops a load.
TEST_F(StorageFamilies, AValueOfAnotherTypeStopsTheLoadAtItsRow) {
  TMainForm& f = start();
  seed("D3D",
       "\"DisableHyperZ\"=\"1\"\n\"DisableHierarchicalZ\"=\"0\"\n"
       "\"ExportCompressedTex\"=\"1\"\n\"ExportWBuffer\"=dword:00000001\n"
       "\"PixelCenter\"=\"1\"\n\"ZFormats\"=\"7\"\n"
       "\"TableFogEnable\"=\"1\"\n\"WFogEnable\"=\"1\"\n\"ZFogEnable\"=dword:00000001\n"
       "\"DiscreteFogEnable\"=\"1\"\n\"NPatchMode\"=\"5\"\n");
  try {
    LoadDirectXKeys(*f.settingPages, "Register", "");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ("Invalid data type for 'ExportWBuffer'", e.what());
  }
  EXPECT_EQ(CheckState::Unchecked, box("checkHyperZ").state());
  EXPECT_EQ(CheckState::Checked, box("checkHierZ").state());
  EXPECT_EQ(CheckState::Checked, box("checkCompTex").state());
  EXPECT_EQ(CheckState::Grayed, box("checkAltPix").state());
  EXPECT_EQ(0, f.settingPages->directX.comboZBuff->itemIndex());

  EXPECT_THROW(LoadDirectXAdvancedKeys(*f.settingPages, "Register", ""), Error);
  EXPECT_EQ(CheckState::Checked, box("checkTableFog").state());
  EXPECT_EQ(CheckState::Checked, box("checkWfog").state());  // W before Z
  EXPECT_EQ(CheckState::Grayed, box("checkDiscreteFog").state());
  EXPECT_FALSE(f.settingPages->directX.checkEnableTruForm->checked());
}

TEST_F(StorageFamilies, AnErrorInTheStartupLoadLeavesTheLaterGroupsInTheirDesignState) {
  seed("D3D", "\"VSync\"=dword:00000001\n\"FastZClearEnabled\"=\"1\"\n");
  seed("OGL", "\"OGLLODBias\"=dword:00000005\n\"OGLTracing\"=dword:00000001\n");
  TMainForm& f = start();
  EXPECT_TRUE(messageShown("Invalid data type for 'VSync'"));
  EXPECT_EQ(CheckState::Unchecked, box("checkFastZ").state());
  EXPECT_EQ(3, f.settingPages->openGL.trackLOD->position());
  EXPECT_EQ(CheckState::Unchecked, box("checkOGLTracing").state());
  EXPECT_EQ("Kestrelune", f.caption());
}

TEST_F(StorageFamilies, ValueRowsRaiseOnTextThatIsNoNumber) {
  seed("D3D", "\"AnisoDegree\"=\"lots\"\n\"ZCompressionMode\"=\"1\"\n");
  TMainForm& f = start();
  EXPECT_TRUE(messageShown("'lots' is not a valid integer value"));
  EXPECT_EQ(3, f.settingPages->directX.spinZCompres->value());  // read after "AnisoDegree": untouched
}

// ---- writes that fail

TEST_F(StorageFamilies, AFailedWriteEndsTheSaveWithEarlierValuesWritten) {
  TMainForm& f = start();
  for (const char* name : {"checkWBuf", "checkAltPix", "checkCompTex", "checkVSync"})
    box(name).setState(CheckState::Checked);
  user::press(box("checkConvTex32to16"));
  sim_.registry.failWrite(3);
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*f.buttonApply);
  EXPECT_TRUE(messageShown("Failed to set data for 'ExportCompressedTex'"));
  EXPECT_EQ("SZ 1", stored("D3D", "PixelCenter"));
  EXPECT_EQ("absent", stored("D3D", "ExportCompressedTex"));
  EXPECT_EQ("absent", stored("D3D", "VSync"));
  EXPECT_EQ("absent", stored("OGL", "OGLConvertTextures32To16"));
  EXPECT_TRUE(f.settingsModified);
}

TEST_F(StorageFamilies, WithoutAdministratorRightsApplyStopsAtTheFirstWrite) {
  TMainForm& f = start();
  sim_.registry.setReadOnly(platform::kHkeyLocalMachine, true);
  user::press(box("checkAltPix"));  // grayed to checked
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*f.buttonApply);
  EXPECT_TRUE(messageShown("Failed to set data for 'PixelCenter'"));
  EXPECT_EQ("absent", stored("D3D", "PixelCenter"));
  EXPECT_EQ("Kestrelune *", f.caption());
}

TEST_F(StorageFamilies, DriverTabsNeedTheirKeyOnlyToStoreAFlag) {
  sim_.registry.loadRegedit4(std::string("REGEDIT4\n[-HKEY_LOCAL_MACHINE\\") +
                             testing::kDesktopKey + "]\n");
  TMainForm& f = start();
  SaveDriverTabKeys(*f.settingPages, "Register", "");  // all grayed: nothing to delete, nothing raised
  box("checkMaxx").setState(CheckState::Checked);
  try {
    SaveDriverTabKeys(*f.settingPages, "Register", "");
    ADD_FAILURE() << "no error";
  } catch (const Error& e) {
    EXPECT_STREQ("Failed to set data for 'Maxx'", e.what());
  }
  EXPECT_EQ("absent", stored("Driver", "Projector"));
}

// ---- the DWORD and binary-flag families

TEST_F(StorageFamilies, DwordSwitchesAndTrackBarsFollowTheirNumbers) {
  seed("OGL",
       "\"OGLTracing\"=\"1\"\n\"OGLForce16BitZBuffer\"=dword:00000002\n"
       "\"OGLDisableDitherWhenAlphaBlending\"=dword:00000007\n"
       "\"OGLLODBias\"=dword:0000000c\n\"OGLMaxAnisotropy\"=dword:00000006\n");
  seed("OGLP", "\"disableHyperZ\"=dword:00000000\n\"enableSSE\"=dword:00000001\n");
  seed("D3D", "\"DisableIDCT\"=dword:00000000\n\"DisableMMX\"=dword:00000003\n");
  TMainForm& f = start();
  EXPECT_EQ(CheckState::Grayed, box("checkOGLTracing").state());  // a string is not a DWORD
  EXPECT_EQ(CheckState::Unchecked, box("checkForce16Z").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkAlphaDither").state());
  EXPECT_EQ(CheckState::Checked, box("checkHyperZOGLP").state());
  EXPECT_EQ(CheckState::Checked, box("checkSSE").state());
  EXPECT_EQ(CheckState::Checked, box("checkIDCT").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkMMX").state());
  EXPECT_EQ(8, f.settingPages->openGL.trackLOD->position());
  EXPECT_EQ("8", f.settingPages->openGL.labelLODC->text());
  EXPECT_EQ(0, f.settingPages->openGL.trackSubPixelPrecision->position());
  EXPECT_EQ(0, f.settingPages->openGL.comboAniso->itemIndex());  // 6 is no code: the design "Disabled" stays

  user::focus(*f.settingPages->openGL.trackLOD);
  backend_.onModal("Confirmation", [](ui::Form& dialog) { user::closeBox(dialog); });
  user::press(*f.buttonApply);
  EXPECT_EQ("absent", stored("OGL", "OGLTracing"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLForce16BitZBuffer"));
  EXPECT_EQ("DWORD 1", stored("OGL", "OGLDisableDitherWhenAlphaBlending"));
  EXPECT_EQ("DWORD 1", stored("D3D", "DisableMMX"));
  EXPECT_EQ("DWORD 8", stored("OGL", "OGLLODBias"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLSubPixelPrecision"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLMaxAnisotropy"));

  const std::string file = profile("gui.kpf");
  SaveAllKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ("1", profileValue(file, "GUI", "enableSSE"));
  EXPECT_EQ("(missing)", profileValue(file, "OpenGL Private", "enableSSE"));
}

TEST_F(StorageFamilies, BinaryFlagsLookAtTheFirstByteOfABinaryValue) {
  seed("Driver",
       "\"Rotation\"=hex:01,07\n\"Projector\"=hex:02,00,00,00\n"
       "\"Workstation\"=dword:00000001\n\"Maxx\"=hex:\n");
  TMainForm& f = start();
  EXPECT_EQ(CheckState::Checked, box("checkRotation").state());
  EXPECT_EQ(CheckState::Grayed, box("checkProjector").state());
  EXPECT_EQ(CheckState::Grayed, box("checkWorkstation").state());
  EXPECT_EQ(CheckState::Grayed, box("checkMaxx").state());
  SaveDriverTabKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("BINARY 01 00 00 00", stored("Driver", "Rotation"));
  EXPECT_EQ("absent", stored("Driver", "Workstation"));
  EXPECT_EQ("absent", stored("Driver", "Maxx"));
}

// ---- profiles

TEST_F(StorageFamilies, AProfileReadsNumbersLooselyAndTextExactly) {
  const std::string file = profile("loose.kpf");
  writeFile(file,
            "[directx]\nVSync=\nPixelCenter = 1 \nExportWBuffer=0x1\n"
            "[OpenGL]\nOGLTracing=\nOGLEnableHWPageFlip=0x1\nOGLLODBias=0x6\n"
            "[DriverTabs]\nWorkstation=1\nMaxx=7\n");
  TMainForm& f = start();
  LoadAllKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ(CheckState::Unchecked, box("checkVSync").state());  // empty text is not "1"
  EXPECT_EQ(CheckState::Checked, box("checkAltPix").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkWBuf").state());
  EXPECT_EQ(CheckState::Grayed, box("checkOGLTracing").state());  // empty is no number
  EXPECT_EQ(CheckState::Checked, box("checkHWPageFlip").state());
  EXPECT_EQ(6, f.settingPages->openGL.trackLOD->position());
  EXPECT_EQ(CheckState::Checked, box("checkWorkstation").state());
  EXPECT_EQ(CheckState::Unchecked, box("checkMaxx").state());
  SaveDriverTabKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("BINARY 01 00 00 00", stored("Driver", "Workstation"));
}

TEST_F(StorageFamilies, AProfileWithoutASectionGraysThatGroupAndApplyDeletesIt) {
  seed("OGLP", "\"enableAALines\"=dword:00000001\n\"disableScreenSavers\"=dword:00000001\n");
  seed("OGL", "\"OGLLODBias\"=dword:00000005\n\"OGLMaxAnisotropy\"=dword:00000004\n");
  const std::string file = profile("old.kpf");
  writeFile(file, "[DirectX]\nVSync=1\n");
  TMainForm& f = start();
  LoadAllKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ(CheckState::Grayed, box("checkdisableScreenSavers").state());
  EXPECT_EQ(0, f.settingPages->openGL.trackLOD->position());
  EXPECT_EQ(0, f.settingPages->openGL.comboAniso->itemIndex());
  SaveAllKeys(*f.settingPages, "Register", "");
  EXPECT_EQ("absent", stored("OGLP", "enableAALines"));
  EXPECT_EQ("absent", stored("OGLP", "disableScreenSavers"));
  EXPECT_EQ("DWORD 0", stored("OGL", "OGLLODBias"));
}

TEST_F(StorageFamilies, SavingOverAProfileKeepsKeysItDoesNotWrite) {
  const std::string file = profile("extra.kpf");
  writeFile(file, "[DirectX]\nMine=5\nVSync=1\n[Other]\nx=y\n");
  TMainForm& f = start();
  SaveAllKeys(*f.settingPages, "Profile", file);
  EXPECT_EQ("5", profileValue(file, "DirectX", "Mine"));
  EXPECT_EQ("-1", profileValue(file, "DirectX", "VSync"));
  EXPECT_EQ("y", profileValue(file, "Other", "x"));
}

TEST_F(StorageFamilies, OnlyTheExactModeProfileUsesTheFile) {
  TMainForm& f = start();
  box("checkVSync").setState(CheckState::Checked);
  const std::string file = profile("mode.kpf");
  SaveDirectXKeys(*f.settingPages, "register", file);
  SaveDirectXKeys(*f.settingPages, "profile", file);
  EXPECT_EQ("SZ 1", stored("D3D", "VSync"));
  EXPECT_FALSE(std::filesystem::exists(file));
}

}  // namespace
}  // namespace kl::settings
