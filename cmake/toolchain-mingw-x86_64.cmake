# Cross-compiles the 64-bit Windows module with mingw-w64.
set(PELLORY_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
