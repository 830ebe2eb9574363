# Real hosts load the built module: Ardour's VST scanner opens it, asks for its identity and
# writes what it found into its plug-in cache, which the script checks. A sanitizer build's
# module cannot be loaded by an uninstrumented host, so that tree leaves the scan out.
if(NOT PELLORY_SANITIZE)
  add_test(NAME ardour_scan
    COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/hosts/ardour-scan.sh $<TARGET_FILE:pellory>)
  # 77: the scanner is not installed (scripts/setup.sh installs it, so CI always runs the scan).
  set_tests_properties(ardour_scan PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 120 LABELS no-sanitizer)
endif()
