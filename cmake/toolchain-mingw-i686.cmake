# Cross-compiles the 32-bit Windows module with mingw-w64.
set(PELLORY_MINGW_TRIPLE i686-w64-mingw32)
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/MingwCommon.cmake)
# SSE2 arithmetic instead of the x87 unit: doubles then round as on every other build, so the
# 32-bit plug-in computes exactly what the 64-bit one does.
set(CMAKE_C_FLAGS_INIT "-msse2 -mfpmath=sse")
set(CMAKE_CXX_FLAGS_INIT "-msse2 -mfpmath=sse")
