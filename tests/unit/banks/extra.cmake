# The bank tests drive whole plug-in instances (the core tests' helper) and read the bank sources.
target_sources(banks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp)
target_include_directories(banks_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core)
target_compile_definitions(banks_tests PRIVATE PELLORY_BANKS_DIR="${PROJECT_SOURCE_DIR}/resources/banks")
