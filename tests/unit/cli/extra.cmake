# The toolbox's pieces are tested directly; the tool itself is run as a process.
if(TARGET cli_tests)
  add_library(cli_fake_effect MODULE ${CMAKE_CURRENT_LIST_DIR}/fake_effect.cpp)
  target_include_directories(cli_fake_effect PRIVATE ${PROJECT_SOURCE_DIR}/src)
  set_target_properties(cli_fake_effect PROPERTIES PREFIX "")
  # fake_effect.cpp is a module of its own, not part of the test program.
  get_target_property(cli_test_sources cli_tests SOURCES)
  list(FILTER cli_test_sources EXCLUDE REGEX "fake_effect\\.cpp$")
  set_target_properties(cli_tests PROPERTIES SOURCES "${cli_test_sources}")
  target_link_libraries(cli_tests PRIVATE pellory_cli_lib)
  target_sources(cli_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp)
  target_compile_definitions(cli_tests PRIVATE
    PELLORY_CLI_PATH="$<TARGET_FILE:pellory-cli>"
    PELLORY_PLUGIN_PATH="$<TARGET_FILE:pellory>"
    PELLORY_FAKE_EFFECT_PATH="$<TARGET_FILE:cli_fake_effect>")
  add_dependencies(cli_tests pellory-cli pellory cli_fake_effect)
endif()
