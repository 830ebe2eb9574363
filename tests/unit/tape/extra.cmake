# A short libFuzzer run over the WAV reader and the tape decoder, when clang is there to
# build them (their own project under tests/fuzz). A failure here is a crash or sanitizer
# report on some input; tests/fuzz/run.sh with a longer time is the thorough version.
find_program(PELLORY_CLANGXX NAMES clang++ clang++-14)
find_program(PELLORY_BASH bash)
if(PELLORY_CLANGXX AND PELLORY_BASH AND NOT WIN32)
  add_test(NAME tape_fuzz
    COMMAND ${CMAKE_COMMAND} -E env "FUZZ_TARGETS=wav_reader_fuzzer tape_decoder_fuzzer"
            ${PELLORY_BASH} ${PROJECT_SOURCE_DIR}/tests/fuzz/run.sh 20 ${CMAKE_BINARY_DIR}/fuzz)
  # The fuzzers carry their own sanitizers; the sanitizer tree need not run them again.
  set_tests_properties(tape_fuzz PROPERTIES LABELS "fuzz;no-sanitizer" TIMEOUT 400)
elseif(NOT WIN32)
  # A visible skip rather than a missing test (scripts/setup.sh installs clang).
  add_test(NAME tape_fuzz COMMAND ${CMAKE_COMMAND} -E echo
           "SKIP: clang++ is not installed, the WAV and tape fuzzers were not built")
  set_tests_properties(tape_fuzz PROPERTIES LABELS "fuzz;no-sanitizer" SKIP_REGULAR_EXPRESSION "SKIP:")
endif()

# The cassette trials decode hundreds of recordings; the sanitizer and debug trees run a few
# of the same seeds so they still cover the code without taking minutes.
if(TARGET tape_tests AND (PELLORY_SANITIZE OR CMAKE_BUILD_TYPE STREQUAL "Debug"))
  target_compile_definitions(tape_tests PRIVATE PELLORY_TAPE_TRIALS=2)
endif()
