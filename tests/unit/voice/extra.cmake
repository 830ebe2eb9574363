# The voice tests drive the whole plug-in with the core tests' instance helper.
target_sources(voice_tests PRIVATE ${CMAKE_CURRENT_LIST_DIR}/../core/TestSupport.cpp)
