# Real hosts load the built module: Ardour's VST scanner opens it, asks for its identity and
# writes what it found into its plug-in cache, which the script checks. A sanitizer build's
# module cannot be loaded by an uninstrumented host, so that tree leaves the scan out.
if(NOT PELLORY_SANITIZE)
  add_test(NAME ardour_scan
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/hosts/ardour-scan.sh $<TARGET_FILE:pellory>)
  # 77: the scanner is not installed (scripts/setup.sh installs it, so CI always runs the scan).
  set_tests_properties(ardour_scan PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 LABELS no-sanitizer)
endif()

# One MIDI phrase rendered through the VST interface by the Linux module and by each Windows DLL
# under wine: the builds use different maths libraries, and the audio must agree within 1e-6.
add_executable(pellory_render ${CMAKE_CURRENT_LIST_DIR}/hosts/RenderPhrase.cpp)
target_include_directories(pellory_render PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(pellory_render PRIVATE ${CMAKE_DL_LIBS})
add_dependencies(pellory_render pellory)

set(render_dir ${CMAKE_BINARY_DIR}/renders)
file(MAKE_DIRECTORY ${render_dir}/config)
add_test(NAME linux_render COMMAND pellory_render $<TARGET_FILE:pellory> ${render_dir}/linux.raw)
# A configuration folder of its own: a user's controller map must not change the audio.
set_tests_properties(linux_render PROPERTIES FIXTURES_SETUP linux_render
  ENVIRONMENT "XDG_CONFIG_HOME=${render_dir}/config")

if(COMMAND pellory_wine_path AND NOT PELLORY_SANITIZE)
  foreach(bits 64 32)
    set(dir "${PELLORY_WIN${bits}_DIR}")
    if(NOT dir)
      continue()
    endif()
    if(bits EQUAL 64)
      pellory_wine_path(dll_w "${dir}/pellory64.dll")
    else()
      pellory_wine_path(dll_w "${dir}/pellory.dll")
    endif()
    pellory_wine_path(out_w "${render_dir}/win${bits}.raw")
    add_test(NAME win${bits}_render
      COMMAND bash ${wine_env} ${wine_prefix} run${bits} ${dir}/tests/windows/pellory_render.exe ${dll_w} ${out_w})
    set_tests_properties(win${bits}_render PROPERTIES FIXTURES_REQUIRED wine_prefix
      FIXTURES_SETUP win${bits}_render TIMEOUT 300 SKIP_RETURN_CODE 77)
    # Skipped with the render where this machine cannot run it (need32), never compared stale.
    if(bits EQUAL 64)
      set(guard)
    else()
      set(guard bash ${wine_env} ${wine_prefix} need32)
    endif()
    add_test(NAME win${bits}_audio_matches_linux
      COMMAND ${guard} $<TARGET_FILE:pellory_render> --compare ${render_dir}/linux.raw ${render_dir}/win${bits}.raw 1e-6)
    set_tests_properties(win${bits}_audio_matches_linux PROPERTIES
      FIXTURES_REQUIRED "linux_render;win${bits}_render;wine_prefix" SKIP_RETURN_CODE 77)
  endforeach()
endif()
