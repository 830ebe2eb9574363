# The standing host-abuse run: random host behaviour against the built module, through its VST
# entry point. About a minute in the sanitizer tree, a few seconds elsewhere; each run has a new
# seed, printed with a replay command.
find_package(Threads REQUIRED)
add_executable(pellory_host_abuse ${CMAKE_CURRENT_LIST_DIR}/HostAbuse.cpp)
target_include_directories(pellory_host_abuse PRIVATE ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(pellory_host_abuse PRIVATE Threads::Threads ${CMAKE_DL_LIBS})
target_compile_definitions(pellory_host_abuse PRIVATE PELLORY_PLUGIN_PATH="$<TARGET_FILE:pellory>")
add_dependencies(pellory_host_abuse pellory)

if(PELLORY_SANITIZE)
  set(PELLORY_ABUSE_SECONDS 55 CACHE STRING "Time budget of the host-abuse test")
else()
  set(PELLORY_ABUSE_SECONDS 4 CACHE STRING "Time budget of the host-abuse test")
endif()
add_test(NAME host_abuse COMMAND pellory_host_abuse --seconds ${PELLORY_ABUSE_SECONDS})
set_tests_properties(host_abuse PROPERTIES TIMEOUT 600)
add_test(NAME host_abuse_flood COMMAND pellory_host_abuse --flood)
