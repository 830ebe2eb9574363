#pragma once
#include <string>

namespace pellory::platform {

// A shared library loaded at run time (LoadLibrary / dlopen).
class DynamicLibrary {
 public:
  DynamicLibrary() = default;
  ~DynamicLibrary();
  DynamicLibrary(const DynamicLibrary&) = delete;
  DynamicLibrary& operator=(const DynamicLibrary&) = delete;

  bool Open(const std::string& path);
  void Close();
  bool IsOpen() const { return handle_ != nullptr; }
  // The address of an exported symbol, or null.
  void* Symbol(const char* name) const;

 private:
  void* handle_ = nullptr;
};

// Where the system keeps a library of this name (Windows: the system folder).
std::string SystemLibraryPath(const std::string& fileName);

}  // namespace pellory::platform
