#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "TempFolder.h"
#include "platform/Files.h"

namespace pellory::platform {
namespace {

TEST(Files, JoinPathUsesThePlatformSeparatorOnce) {
  const std::string sep(1, PathSeparator());
  EXPECT_EQ(JoinPath("base", "pellory.ini"), "base" + sep + "pellory.ini");
  EXPECT_EQ(JoinPath("base" + sep, "pellory.ini"), "base" + sep + "pellory.ini");
  EXPECT_EQ(JoinPath("", "pellory.ini"), "pellory.ini");
}

TEST(Files, FoldersAndFilesAreCreatedAndToldApart) {
  test::TempFolder temp;
  const std::string folder = JoinPath(temp.Path(), "VelloranMusic");
  const std::string file = JoinPath(folder, "pellory.ini");

  EXPECT_FALSE(FolderExists(folder));
  EXPECT_FALSE(FileExists(file));
  ASSERT_TRUE(CreateFolder(folder));
  EXPECT_TRUE(FolderExists(folder));
  EXPECT_FALSE(FileExists(folder));
  EXPECT_TRUE(CreateFolder(folder)) << "an existing folder counts as success";

  ASSERT_TRUE(CreateEmptyFile(file));
  EXPECT_TRUE(FileExists(file));
  EXPECT_FALSE(FolderExists(file));
  EXPECT_EQ(std::filesystem::file_size(file), 0u);

  // An existing file keeps its content.
  temp.Write("VelloranMusic/pellory.ini", "[Editor]\r\n");
  EXPECT_TRUE(CreateEmptyFile(file));
  EXPECT_EQ(std::filesystem::file_size(file), 10u);
}

TEST(Files, CreationFailsBelowAMissingFolderAndForEmptyPaths) {
  test::TempFolder temp;
  const std::string deep = JoinPath(JoinPath(temp.Path(), "missing"), "child");
  EXPECT_FALSE(CreateFolder(deep));
  EXPECT_FALSE(FolderExists(deep));
  EXPECT_FALSE(CreateEmptyFile(JoinPath(deep, "pellory.ini")));
  EXPECT_FALSE(FolderExists(""));
  EXPECT_FALSE(FileExists(""));
  EXPECT_FALSE(CreateEmptyFile(""));
}

#ifdef _WIN32
// The shell folders always exist on Windows (Linux: see XdgFolders below).
TEST(Files, UserFoldersExist) {
  EXPECT_TRUE(FolderExists(LocalAppDataFolder())) << LocalAppDataFolder();
  EXPECT_TRUE(FolderExists(DocumentsFolder())) << DocumentsFolder();
  EXPECT_TRUE(FolderExists(DesktopFolder())) << DesktopFolder();
}
#endif

#ifndef _WIN32
// Linux follows the XDG conventions: the config home stands in for local application data and
// user-dirs.dirs names documents and desktop ("$HOME/..." values expanded).
class XdgFolders : public ::testing::Test {
 protected:
  void SetUp() override {
    Save("HOME", home_);
    Save("XDG_CONFIG_HOME", config_);
    setenv("HOME", temp_.Path().c_str(), 1);
    unsetenv("XDG_CONFIG_HOME");
  }
  void TearDown() override {
    Restore("HOME", home_);
    Restore("XDG_CONFIG_HOME", config_);
  }
  static void Save(const char* name, std::pair<bool, std::string>& slot) {
    const char* v = std::getenv(name);
    slot = {v != nullptr, v ? v : ""};
  }
  static void Restore(const char* name, const std::pair<bool, std::string>& slot) {
    if (slot.first) setenv(name, slot.second.c_str(), 1);
    else unsetenv(name);
  }
  test::TempFolder temp_;
  std::pair<bool, std::string> home_, config_;
};

TEST_F(XdgFolders, ConfigHomeDefaultsToDotConfigAndFollowsTheVariable) {
  EXPECT_EQ(LocalAppDataFolder(), temp_.Path() + "/.config");
  // A fresh account has none yet: it is made, so the plug-in's own folder can go inside.
  EXPECT_TRUE(FolderExists(temp_.Path() + "/.config"));
  setenv("XDG_CONFIG_HOME", temp_.Path("cfg").c_str(), 1);
  EXPECT_EQ(LocalAppDataFolder(), temp_.Path("cfg"));
  // A relative value is invalid by the XDG rules and ignored.
  setenv("XDG_CONFIG_HOME", "relative/cfg", 1);
  EXPECT_EQ(LocalAppDataFolder(), temp_.Path() + "/.config");
}

TEST_F(XdgFolders, UserDirsFileNamesDocumentsAndDesktop) {
  std::filesystem::create_directories(temp_.Path("Dokumente"));
  std::filesystem::create_directories(temp_.Path("Schreibtisch"));
  std::filesystem::create_directories(temp_.Path(".config"));
  temp_.Write(".config/user-dirs.dirs",
              "# written by xdg-user-dirs-update\n"
              "XDG_DESKTOP_DIR=\"$HOME/Schreibtisch\"\n"
              "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
  EXPECT_EQ(DocumentsFolder(), temp_.Path("Dokumente"));
  EXPECT_EQ(DesktopFolder(), temp_.Path("Schreibtisch"));
}

TEST_F(XdgFolders, MissingUserDirsFallBackToHome) {
  EXPECT_EQ(DocumentsFolder(), temp_.Path());
  std::filesystem::create_directories(temp_.Path("Documents"));
  EXPECT_EQ(DocumentsFolder(), temp_.Path("Documents"));
  EXPECT_EQ(DesktopFolder(), temp_.Path());
}
#endif

}  // namespace
}  // namespace pellory::platform
