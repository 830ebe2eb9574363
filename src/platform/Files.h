#pragma once
#include <string>
#include <vector>

namespace pellory::platform {

// The separator of the platform's paths ('\\' on Windows, '/' elsewhere).
char PathSeparator();
std::string JoinPath(const std::string& folder, const std::string& name);

// User folders. Linux: local application data is the XDG config home ($XDG_CONFIG_HOME or
// ~/.config); documents and desktop follow the XDG user directories.
std::string LocalAppDataFolder();
std::string DocumentsFolder();
std::string DesktopFolder();

bool FolderExists(const std::string& path);
bool FileExists(const std::string& path);
// Creates one folder level; true when it exists afterwards.
bool CreateFolder(const std::string& path);
// Creates an empty file when none exists; true when the file exists afterwards.
bool CreateEmptyFile(const std::string& path);

// Names (not paths) of the files in a folder: no folders, no "." or "..", in no particular
// order. Empty when the folder cannot be read.
std::vector<std::string> ListFiles(const std::string& folder);
// Moves from over to, replacing an existing file in one step; false when it failed (from is
// then left in place).
bool ReplaceFile(const std::string& from, const std::string& to);
bool RemoveFile(const std::string& path);

}  // namespace pellory::platform
