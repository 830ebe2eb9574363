# Windows module: undecorated VSTPluginMain/main exports from a .def file, and a static runtime so
# that the DLL imports system DLLs only.
target_sources(pellory PRIVATE ${PROJECT_SOURCE_DIR}/src/host/pellory.def)
target_link_options(pellory PRIVATE -static -static-libgcc -static-libstdc++)
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set_target_properties(pellory PROPERTIES OUTPUT_NAME pellory64)
else()
  set_target_properties(pellory PROPERTIES OUTPUT_NAME pellory)
endif()
