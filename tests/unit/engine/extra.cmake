# Fake microtuning libraries, real shared objects loaded by path from the engine tests.
# One full fake and variants that lack entry points.
set(fake_mts_variants
  fake_mts NONE
  fake_mts_partial FAKE_MTS_PARTIAL
  fake_mts_no_has_master FAKE_MTS_NO_HAS_MASTER
  fake_mts_no_tuning_table FAKE_MTS_NO_TUNING_TABLE)
set(fake_mts_definitions "")
while(fake_mts_variants)
  list(POP_FRONT fake_mts_variants target define)
  add_library(${target} SHARED ${CMAKE_CURRENT_LIST_DIR}/fake_mts/fake_mts.c)
  set_target_properties(${target} PROPERTIES C_VISIBILITY_PRESET hidden)
  target_link_libraries(${target} PRIVATE m)
  if(NOT define STREQUAL "NONE")
    target_compile_definitions(${target} PRIVATE ${define})
  endif()
  string(TOUPPER ${target} upper)
  list(APPEND fake_mts_definitions "${upper}_PATH=\"$<TARGET_FILE:${target}>\"")
  add_dependencies(engine_tests ${target})
endwhile()
target_compile_definitions(engine_tests PRIVATE ${fake_mts_definitions})

