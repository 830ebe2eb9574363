# Shared part of the mingw-w64 toolchain files; PELLORY_MINGW_TRIPLE is set by the caller.
set(CMAKE_SYSTEM_NAME Windows)

# Only the -posix compilers have std::thread and std::mutex; the unsuffixed names may point at
# the win32-threads variants, so name them explicitly.
set(CMAKE_C_COMPILER ${PELLORY_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELLORY_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${PELLORY_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${PELLORY_MINGW_TRIPLE}-ar CACHE FILEPATH "")
set(CMAKE_RANLIB ${PELLORY_MINGW_TRIPLE}-ranlib CACHE FILEPATH "")

# Windows-side libraries (libpng) built by scripts/build-win-deps.sh. The default is where that
# script puts them for the standard build tree; pass -DPELLORY_WIN_DEPS_PREFIX=... for others.
if(NOT PELLORY_WIN_DEPS_PREFIX)
  get_filename_component(PELLORY_WIN_DEPS_PREFIX
    "${CMAKE_CURRENT_LIST_DIR}/../build/win-deps/${PELLORY_MINGW_TRIPLE}" ABSOLUTE)
endif()
set(PELLORY_WIN_DEPS_PREFIX "${PELLORY_WIN_DEPS_PREFIX}" CACHE PATH "Prefix of the Windows-side libraries")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES PELLORY_MINGW_TRIPLE PELLORY_WIN_DEPS_PREFIX)

set(CMAKE_FIND_ROOT_PATH "${PELLORY_WIN_DEPS_PREFIX}" /usr/${PELLORY_MINGW_TRIPLE})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The module links everything statically: name zlib's static archive, or find_package(ZLIB)
# takes the import library libz.dll.a and the DLL then needs zlib1.dll.
set(ZLIB_LIBRARY /usr/${PELLORY_MINGW_TRIPLE}/lib/libz.a CACHE FILEPATH "Static zlib for Windows")
set(ZLIB_INCLUDE_DIR /usr/${PELLORY_MINGW_TRIPLE}/include CACHE PATH "")
