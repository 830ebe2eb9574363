#include <windows.h>
#include <shlobj.h>
// <windows.h> maps ReplaceFile to ReplaceFileA; ours is the platform function of Files.h.
#undef ReplaceFile

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

namespace pellory::platform {

std::vector<std::string> ListFiles(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAA data;
  HANDLE find = FindFirstFileA(JoinPath(folder, "*").c_str(), &data);
  if (find == INVALID_HANDLE_VALUE) return names;
  do {
    const std::string name = data.cFileName;
    if (name == "." || name == ".." || (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
    names.push_back(name);
  } while (FindNextFileA(find, &data));
  FindClose(find);
  return names;
}

bool ReplaceFile(const std::string& from, const std::string& to) {
  return MoveFileExA(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) != 0;
}

bool RemoveFile(const std::string& path) { return DeleteFileA(path.c_str()) != 0; }

}  // namespace pellory::platform
