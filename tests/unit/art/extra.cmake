# The art tests read the committed PNGs next to the embedded ones.
target_compile_definitions(art_tests PRIVATE PELLORY_IMG_DIR="${PROJECT_SOURCE_DIR}/resources/img")

# The committed PNGs are the generator's output: redraw them into a temporary folder and compare.
# Debian's interpreter carries python3-cairo and python3-pil; the check skips without them.
find_program(PELLORY_ART_PYTHON python3 PATHS /usr/bin NO_DEFAULT_PATH)
if(NOT PELLORY_ART_PYTHON)
  find_package(Python3 COMPONENTS Interpreter QUIET)
  set(PELLORY_ART_PYTHON ${Python3_EXECUTABLE})
endif()
if(PELLORY_ART_PYTHON)
  add_test(NAME art_generated
           COMMAND ${PELLORY_ART_PYTHON} ${PROJECT_SOURCE_DIR}/tools/art/make_art.py
                   --check ${PROJECT_SOURCE_DIR}/resources/img)
  set_tests_properties(art_generated PROPERTIES SKIP_RETURN_CODE 77)
endif()
