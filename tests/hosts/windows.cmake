# The phrase renderer for the Windows builds (included by tests/windows/CMakeLists.txt); the native
# tree runs it under wine and compares its audio with the Linux module's.
add_executable(pellory_render ${CMAKE_CURRENT_LIST_DIR}/RenderPhrase.cpp)
target_include_directories(pellory_render PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_options(pellory_render PRIVATE -static)
