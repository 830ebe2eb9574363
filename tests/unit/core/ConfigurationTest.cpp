#include <fstream>

#include <gtest/gtest.h>

#include "TestSupport.h"
#include "platform/Profile.h"

namespace pellory {
namespace {

class ConfigurationTest : public ::testing::Test {
 protected:
  test::TempFolder config, documents;
  std::string Ini() const { return config.Path() + "/VelloranMusic/pellory.ini"; }

  std::unique_ptr<test::TestPellory> Create() {
    InstanceOptions options;
    options.configFolder = config.Path();
    options.documentsFolder = documents.Path();
    options.mtsLibraryPath = config.File("none.so");
    return std::make_unique<test::TestPellory>(options);
  }
  void WriteIni(const std::string& text) {
    std::ofstream(Ini(), std::ios::binary) << text;
  }
};

TEST_F(ConfigurationTest, CreatesFolderAndEmptyFileWithDefaults) {
  auto plug = Create();
  EXPECT_EQ(plug->IniPath(), Ini());
  std::ifstream in(Ini());
  EXPECT_TRUE(in.good());
  EXPECT_EQ(plug->ProgramPath(), documents.Path());
  EXPECT_EQ(plug->SysExPath(), documents.Path());
  EXPECT_FALSE(plug->midiThru);
  EXPECT_EQ(plug->PanelMode(), 1);
  for (int c = 0; c < 120; ++c) EXPECT_EQ(plug->ControllerMapping(c), -1);
}

TEST_F(ConfigurationTest, ReadsBooleansPathsAndControllers) {
  auto first = Create();  // makes the folder
  WriteIni(
      "[editor]\r\nStart In Edit Mode = TRUE\r\n"
      "[MIDI Global]\r\nMIDI Thru=TRUE\r\nIgnore Program Change=yes\r\n"
      "[Global]\r\nPath to Program Files=/music/prg\r\n"
      "[MIDI Control]\r\nCC7=0\r\ncc8=abc\r\nCC9=200\r\nCC10=12xyz\r\n");
  auto plug = Create();
  EXPECT_TRUE(plug->startInEditMode);
  EXPECT_EQ(plug->PanelMode(), 2);
  EXPECT_TRUE(plug->midiThru);
  EXPECT_FALSE(plug->ignoreProgramChange);
  EXPECT_EQ(plug->ProgramPath(), "/music/prg");
  EXPECT_EQ(plug->SysExPath(), documents.Path());
  EXPECT_EQ(plug->ControllerMapping(7), 0);
  EXPECT_EQ(plug->ControllerMapping(8), -1);
  EXPECT_EQ(plug->ControllerMapping(9), 200);  // kept, ignored at dispatch
  EXPECT_EQ(plug->ControllerMapping(10), 12);
}

TEST_F(ConfigurationTest, EmptyValueLeavesAFlagAsItWas) {
  auto plug = Create();
  plug->midiThru = true;
  WriteIni("[MIDI Global]\nMIDI Thru=\n");
  EXPECT_EQ(plug->ReadConfiguration(), ConfigStatus::kOk);
  EXPECT_TRUE(plug->midiThru);
}

TEST_F(ConfigurationTest, SaveWritesOnlyAssignedControllersAndReloadRestoresThem) {
  auto plug = Create();
  WriteIni("[MIDI Control]\nCC3=5\nCC4=-1\n[Other]\nkeep=1\n");
  plug->ReadConfiguration();
  plug->SetControllerMapping(3, -1);
  plug->SetControllerMapping(21, 16);
  plug->SetControllerMapping(22, 0);
  plug->midiThru = true;
  plug->WriteMidiConfiguration(MidiConfigItem::kAll);

  std::ifstream in(Ini());
  std::string all((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  EXPECT_EQ(all.find("CC3"), std::string::npos);
  EXPECT_EQ(all.find("-1"), std::string::npos);
  EXPECT_NE(all.find("CC21=16"), std::string::npos);
  EXPECT_NE(all.find("CC22=0"), std::string::npos);
  EXPECT_NE(all.find("keep=1"), std::string::npos);

  auto other = Create();
  EXPECT_TRUE(other->midiThru);
  EXPECT_EQ(other->ControllerMapping(21), 16);
  EXPECT_EQ(other->ControllerMapping(22), 0);
  EXPECT_EQ(other->ControllerMapping(3), -1);
}

TEST_F(ConfigurationTest, OptionWritesAndMissingFileOnReload) {
  auto plug = Create();
  plug->WriteEditorOption("Don't Ask To Commit", true);
  plug->WriteProgramPath("/x/y");
  plug->WriteSysExPath("/x/z");
  EXPECT_EQ(platform::GetProfileString("Editor", "Don't Ask To Commit", "", Ini(), 64), "true");
  EXPECT_EQ(platform::GetProfileString("Global", "Path to SysEx Files", "", Ini(), 259), "/x/z");
  auto other = Create();
  EXPECT_TRUE(other->dontAskToCommit);
  EXPECT_EQ(other->ProgramPath(), "/x/y");

  std::remove(Ini().c_str());
  EXPECT_EQ(plug->ReadConfiguration(), ConfigStatus::kFileNotFound);
  EXPECT_EQ(plug->ProgramPath(), "/x/y");  // in-memory values stay
}

}  // namespace
}  // namespace pellory
