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
