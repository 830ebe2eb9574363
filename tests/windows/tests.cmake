# The Windows modules under wine, run from the native tree. Point these at the cross build
# trees to enable the tests (scripts/test.sh does):
#   -DPELLORY_WIN64_DIR=<build/win64> -DPELLORY_WIN32_DIR=<build/win32>
set(PELLORY_WIN64_DIR "" CACHE PATH "Build tree of the 64-bit Windows module (enables its wine tests)")
set(PELLORY_WIN32_DIR "" CACHE PATH "Build tree of the 32-bit Windows module (enables its wine tests)")

set(wine_env ${PROJECT_SOURCE_DIR}/scripts/wine-env.sh)
# One quiet prefix per test run, made fresh by the first test and removed by the last.
set(wine_prefix ${CMAKE_BINARY_DIR}/wine-prefix)

# Wine sees the host's file system as drive Z:.
function(pellory_wine_path out path)
  string(REPLACE "/" "\\" p "${path}")
  set(${out} "Z:${p}" PARENT_SCOPE)
endfunction()

if(PELLORY_WIN64_DIR OR PELLORY_WIN32_DIR)
  add_test(NAME wine_prefix_init COMMAND bash ${wine_env} ${wine_prefix} init)
  set_tests_properties(wine_prefix_init PROPERTIES FIXTURES_SETUP wine_prefix TIMEOUT 300)
  add_test(NAME wine_prefix_remove COMMAND bash ${wine_env} ${wine_prefix} stop)
  set_tests_properties(wine_prefix_remove PROPERTIES FIXTURES_CLEANUP wine_prefix TIMEOUT 120)
endif()

foreach(bits 64 32)
  set(dir "${PELLORY_WIN${bits}_DIR}")
  if(NOT dir)
    continue()
  endif()
  if(bits EQUAL 64)
    set(dll ${dir}/pellory64.dll)
    set(triple x86_64-w64-mingw32)
    set(format pei-x86-64)
    set(system_dlls /usr/lib/x86_64-linux-gnu/wine/x86_64-windows)
  else()
    set(dll ${dir}/pellory.dll)
    set(triple i686-w64-mingw32)
    set(format pei-i386)
    set(system_dlls /usr/lib/i386-linux-gnu/wine/i386-windows)
  endif()
  set(host ${dir}/tests/windows/pellory_vsthost.exe)
  pellory_wine_path(dll_w "${dll}")
  # run64 / run32: the loader of the program's word size; run32 reports a skip (77) on machines
  # that cannot run 32-bit programs, found out once per run by wine_prefix_init.
  set(run run${bits})

  add_test(NAME win${bits}_module_exports_and_imports
    COMMAND ${CMAKE_COMMAND} -DOBJDUMP=${triple}-objdump -DDLL=${dll} -DFORMAT=${format}
            -DSYSTEM_DLLS=${system_dlls} -P ${CMAKE_CURRENT_LIST_DIR}/CheckModule.cmake)

  add_test(NAME win${bits}_vst_host COMMAND bash ${wine_env} ${wine_prefix} ${run} ${host} ${dll_w})
  add_test(NAME win${bits}_platform
    COMMAND bash ${wine_env} ${wine_prefix} ${run} ${dir}/tests/windows/platform_tests.exe --gtest_brief=1)
  set_tests_properties(win${bits}_vst_host win${bits}_platform PROPERTIES
    FIXTURES_REQUIRED wine_prefix TIMEOUT 300 SKIP_RETURN_CODE 77)
endforeach()

# A host refuses a module of the other word size (error 193); this also shows that the test host
# reports a DLL it cannot load instead of passing.
if(PELLORY_WIN64_DIR AND PELLORY_WIN32_DIR)
  pellory_wine_path(dll32_w "${PELLORY_WIN32_DIR}/pellory.dll")
  add_test(NAME win64_host_refuses_32bit_module
    COMMAND bash ${wine_env} ${wine_prefix} run64 ${PELLORY_WIN64_DIR}/tests/windows/pellory_vsthost.exe
            --expect-load-error 193 ${dll32_w})
  set_tests_properties(win64_host_refuses_32bit_module PROPERTIES FIXTURES_REQUIRED wine_prefix TIMEOUT 120)
endif()

# The editor in a window: each DLL's editor opened by a host with a window under wine, on an X
# server of its own, clicked, dragged and typed into with xdotool (editor-gui.sh), and its first
# picture compared with the headless surface's picture of the same state. Serial: the X input
# and the INI file the editor reads must be this test's alone.
if(PELLORY_WIN64_DIR OR PELLORY_WIN32_DIR)
  set(editor_shots ${CMAKE_BINARY_DIR}/editor-shots)
  file(MAKE_DIRECTORY ${editor_shots})
  add_executable(pellory_screen_compare ${CMAKE_CURRENT_LIST_DIR}/ScreenCompare.cpp)
  target_link_libraries(pellory_screen_compare PRIVATE pellory_drawing)
  add_test(NAME editor_headless_picture
    COMMAND pellory-cli screenshot --view chart -o ${editor_shots}/headless-chart.png)
  set_tests_properties(editor_headless_picture PROPERTIES FIXTURES_SETUP editor_headless_picture)
endif()
foreach(bits 64 32)
  set(dir "${PELLORY_WIN${bits}_DIR}")
  if(NOT dir)
    continue()
  endif()
  if(bits EQUAL 64)
    pellory_wine_path(dll_w "${dir}/pellory64.dll")
    set(guard)
  else()
    pellory_wine_path(dll_w "${dir}/pellory.dll")
    set(guard bash ${wine_env} ${wine_prefix} need32)
  endif()
  add_test(NAME win${bits}_editor_window
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/editor-gui.sh ${wine_env} ${wine_prefix} run${bits}
            ${dir}/tests/windows/pellory_editorhost.exe ${dll_w} ${editor_shots}/win${bits}-chart.png)
  set_tests_properties(win${bits}_editor_window PROPERTIES FIXTURES_REQUIRED wine_prefix
    FIXTURES_SETUP win${bits}_editor_window TIMEOUT 180 SKIP_RETURN_CODE 77 RUN_SERIAL TRUE)
  # Text drawn by GDI and by FreeType differs: the version label and the keypad's digits are left
  # out; every other pixel must be the same.
  add_test(NAME win${bits}_editor_matches_headless
    COMMAND ${guard} $<TARGET_FILE:pellory_screen_compare> ${editor_shots}/headless-chart.png
            ${editor_shots}/win${bits}-chart.png 0 871,75,1127,87 131,188,292,206 131,240,292,258)
  set_tests_properties(win${bits}_editor_matches_headless PROPERTIES
    FIXTURES_REQUIRED "editor_headless_picture;win${bits}_editor_window;wine_prefix" SKIP_RETURN_CODE 77)
endforeach()
