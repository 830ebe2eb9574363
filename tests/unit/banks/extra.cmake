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
