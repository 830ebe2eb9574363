# Resources for the platform tests: a 256-byte blob (every byte value, NULs included) under a
# string name and a short text under a numeric name, as the module's banks and bitmaps are.
set(platform_res_dir ${CMAKE_CURRENT_BINARY_DIR}/platform_test_resources_in)
file(WRITE ${platform_res_dir}/text.bin "pellory-res\n")
pellory_add_resources(platform_test_resources
  TESTBLOB BLOB_1 ${PELLORY_TEST_DATA_DIR}/platform/bytes.bin
  PNG 101 ${platform_res_dir}/text.bin)
target_link_libraries(platform_tests PRIVATE platform_test_resources)
# The HTTP tests run their own server: Winsock on Windows.
if(WIN32)
  target_link_libraries(platform_tests PRIVATE ws2_32)
endif()
