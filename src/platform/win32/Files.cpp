#include <windows.h>
#include <shlobj.h>

#include "platform/Files.h"

namespace pellory::platform {
namespace {

std::string ShellFolder(int csidl) {
  char path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathA(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path))) return path;
  return std::string();
}

DWORD Attributes(const std::string& path) {
  return path.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesA(path.c_str());
}

}  // namespace

char PathSeparator() { return '\\'; }

std::string JoinPath(const std::string& folder, const std::string& name) {
  if (folder.empty()) return name;
  if (folder.back() == '\\' || folder.back() == '/') return folder + name;
  return folder + "\\" + name;
}

std::string LocalAppDataFolder() { return ShellFolder(CSIDL_LOCAL_APPDATA); }
std::string DocumentsFolder() { return ShellFolder(CSIDL_PERSONAL); }
std::string DesktopFolder() { return ShellFolder(CSIDL_DESKTOPDIRECTORY); }

bool FolderExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && (a & FILE_ATTRIBUTE_DIRECTORY);
}

bool FileExists(const std::string& path) {
  DWORD a = Attributes(path);
  return a != INVALID_FILE_ATTRIBUTES && !(a & FILE_ATTRIBUTE_DIRECTORY);
}

bool CreateFolder(const std::string& path) {
  if (FolderExists(path)) return true;
  return (!path.empty() && CreateDirectoryA(path.c_str(), nullptr)) || FolderExists(path);
}

bool CreateEmptyFile(const std::string& path) {
  if (FileExists(path)) return true;
  if (path.empty()) return false;
  // OPEN_ALWAYS never truncates a file that another instance created meanwhile.
  HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return false;
  CloseHandle(h);
  return true;
}

}  // namespace pellory::platform
