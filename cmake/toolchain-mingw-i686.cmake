# Cross-compiles the 32-bit Windows module with mingw-w64.
set(PELLORY_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
