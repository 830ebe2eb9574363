# zlib and libpng (the editor decodes its PNG bitmaps with them). Windows: the static builds of
# scripts/build-win-deps.sh, found through the toolchain's find root, so the DLL needs no
# zlib1.dll or libpng DLL. Linux: the system's libraries.
if(WIN32 AND NOT EXISTS "${PELLORY_WIN_DEPS_PREFIX}/include/png.h")
  message(FATAL_ERROR "No Windows libpng in '${PELLORY_WIN_DEPS_PREFIX}': run scripts/build-win-deps.sh "
                      "(or pass -DPELLORY_WIN_DEPS_PREFIX=<build root>/win-deps/<triple>).")
endif()
find_package(ZLIB REQUIRED)
find_package(PNG REQUIRED)
if(WIN32)
  foreach(lib ${PNG_LIBRARIES})
    if(lib MATCHES "\\.dll\\.a$")
      message(FATAL_ERROR "Windows build would link the import library ${lib}; it needs the static one.")
    endif()
  endforeach()
endif()
add_library(pellory_deps INTERFACE)
target_link_libraries(pellory_deps INTERFACE PNG::PNG ZLIB::ZLIB)

# Text: GDI on Windows; FreeType with faces found by fontconfig elsewhere.
add_library(pellory_text_deps INTERFACE)
if(WIN32)
  target_link_libraries(pellory_text_deps INTERFACE gdi32)
else()
  find_package(Freetype REQUIRED)
  find_package(Fontconfig REQUIRED)
  target_link_libraries(pellory_text_deps INTERFACE Freetype::Freetype Fontconfig::Fontconfig)
endif()
