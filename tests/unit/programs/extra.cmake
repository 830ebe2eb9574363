# The program tests drive whole instances (the core tests' helper) and the bank compiler.
target_sources(programs_tests PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp
  ${PROJECT_SOURCE_DIR}/tools/bankc/BankCompiler.cpp)
target_include_directories(programs_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core ${PROJECT_SOURCE_DIR}/tools/bankc)
target_compile_definitions(programs_tests PRIVATE PELLORY_BANKS_DIR="${PROJECT_SOURCE_DIR}/resources/banks")
