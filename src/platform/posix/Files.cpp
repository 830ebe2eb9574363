#include "platform/Files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <dirent.h>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pellory::platform {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  if (home && *home) return home;
  if (passwd* pw = getpwuid(getuid())) return pw->pw_dir ? pw->pw_dir : "";
  return "/tmp";
}

std::string ConfigHome() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string home = xdg && *xdg == '/' ? std::string(xdg) : HomeFolder() + "/.config";
  // A fresh account may not have it yet; applications create it (private to the user).
  struct stat st {};
  if (stat(home.c_str(), &st) != 0) mkdir(home.c_str(), 0700);
  return home;
}

// Reads XDG_<NAME>_DIR from user-dirs.dirs ("$HOME/Documents" style values).
std::string UserDir(const char* name, const char* fallback) {
  std::ifstream in(ConfigHome() + "/user-dirs.dirs");
  std::string line;
  std::string key = std::string("XDG_") + name + "_DIR=";
  const std::string home = HomeFolder();
  while (std::getline(in, line)) {
    if (line.compare(0, key.size(), key) != 0) continue;
    std::string value = line.substr(key.size());
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
    if (value.compare(0, 5, "$HOME") == 0) value = home + value.substr(5);
    if (!value.empty() && value[0] == '/' && FolderExists(value)) return value;
  }
  std::string guess = home + "/" + fallback;
  return FolderExists(guess) ? guess : home;
}

}  // namespace

char PathSeparator() { return '/'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '/') return folder + name;
  return folder + "/" + name;
}

std::string LocalAppDataFolder() { return ConfigHome(); }
std::string DocumentsFolder() { return UserDir("DOCUMENTS", "Documents"); }
std::string DesktopFolder() { return UserDir("DESKTOP", "Desktop"); }

bool FolderExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool CreateFolder(const std::string& path) {
  if (FolderExists(path)) return true;
  return mkdir(path.c_str(), 0755) == 0 || FolderExists(path);
}

bool CreateEmptyFile(const std::string& path) {
  if (FileExists(path)) return true;
  if (std::FILE* f = std::fopen(path.c_str(), "ab")) {
    std::fclose(f);
    return true;
  }
  return false;
}

}  // namespace pellory::platform


namespace pellory::platform {

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  DIR* dir = opendir(folder.empty() ? "." : folder.c_str());
  if (!dir) return names;
  while (dirent* entry = readdir(dir)) {
    const std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat st {};
    if (stat(JoinPath(folder, name).c_str(), &st) == 0 && S_ISREG(st.st_mode)) names.push_back(name);
  }
  closedir(dir);
  return names;
}

bool ReplaceFile(const std::string& from, const std::string& to) { return std::rename(from.c_str(), to.c_str()) == 0; }

bool RemoveFile(const std::string& path) { return unlink(path.c_str()) == 0; }

}  // namespace pellory::platform
