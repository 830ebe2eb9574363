# The bank tests drive whole plug-in instances (the core tests' helper) and read the bank sources.
target_sources(banks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp)
target_include_directories(banks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core)
target_compile_definitions(banks_tests PRIVATE PELLORY_BANKS_DIR="${PROJECT_SOURCE_DIR}/resources/banks")

# The bank sources are the generator's output: a hand edit of a .txt would be lost at the next run.
find_package(Python3 COMPONENTS Interpreter QUIET)
if(Python3_Interpreter_FOUND)
  add_test(NAME banks_generated
           COMMAND ${Python3_EXECUTABLE} ${PROJECT_SOURCE_DIR}/resources/banks/design_banks.py --check)
else()
  # A visible skip rather than a missing test (scripts/setup.sh installs python3).
  add_test(NAME banks_generated COMMAND ${CMAKE_COMMAND} -E echo
           "SKIP: python3 is not installed, the bank sources were not checked against design_banks.py")
  set_tests_properties(banks_generated PROPERTIES SKIP_REGULAR_EXPRESSION "SKIP:")
endif()

# The level sheet (loudness, true peak, touch of all 198 programs) is a program and a test of its
# own: it renders minutes of audio, so the sanitizer trees leave it out.
get_target_property(banks_test_sources banks_tests SOURCES)
list(FILTER banks_test_sources EXCLUDE REGEX "BankLevelTest\\.cpp$")
set_target_properties(banks_tests PROPERTIES SOURCES "${banks_test_sources}")
add_executable(bank_levels_tests ${CMAKE_CURRENT_LIST_DIR}/BankLevelTest.cpp ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp)
target_include_directories(bank_levels_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core)
target_link_libraries(bank_levels_tests PRIVATE pellory_plugin pellory_resources GTest::gtest GTest::gtest_main)
target_compile_definitions(bank_levels_tests PRIVATE PELLORY_BANKS_DIR="${PROJECT_SOURCE_DIR}/resources/banks"
  PELLORY_TEST_DATA_DIR="${PELLORY_TEST_DATA_DIR}" PELLORY_TEST_BINARY_DIR="${CMAKE_CURRENT_BINARY_DIR}")
add_test(NAME bank_levels COMMAND bank_levels_tests --gtest_brief=1)
set_tests_properties(bank_levels PROPERTIES LABELS no-sanitizer)
