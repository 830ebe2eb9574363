# The editor window in a small Linux host of our own, on a virtual X server: xdotool clicks,
# drags, wheel notches, a menu and a text entry; window pictures compared with the headless
# surface; open/close cycles, two editors, a parent destroyed first.
if(NOT WIN32)
  find_package(X11 REQUIRED)
  add_executable(x11_host_tests ${CMAKE_CURRENT_LIST_DIR}/X11HostTest.cpp)
  target_include_directories(x11_host_tests PRIVATE ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(x11_host_tests PRIVATE pellory_plugin pellory_resources X11::X11 GTest::gtest
    GTest::gtest_main ${CMAKE_DL_LIBS})
  target_compile_definitions(x11_host_tests PRIVATE
    PELLORY_PLUGIN_PATH="$<TARGET_FILE:pellory>"
    PELLORY_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
  add_dependencies(x11_host_tests pellory)
  # The host is this program (built with the sanitizers in that tree, as the module it loads);
  # the X server, xdotool and import are programs of their own.
  add_test(NAME x11_host
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/run-under-xvfb.sh $<TARGET_FILE:x11_host_tests> --gtest_brief=1)
  set_tests_properties(x11_host PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 300)
endif()
