# Injected into the example's project (CMAKE_PROJECT_HostModule_INCLUDE): compiles every
# header the package installed on its own, so a header that includes one the package
# lacks, does not stand alone or warns, fails here and not in a host's build.
find_package(VistaneService CONFIG REQUIRED)
get_target_property(include_dirs Vistane::VistaneService INTERFACE_INCLUDE_DIRECTORIES)
file(GLOB_RECURSE headers RELATIVE ${include_dirs} ${include_dirs}/*.h)
set(sources)
foreach(header IN LISTS headers)
  string(MAKE_C_IDENTIFIER ${header} name)
  file(CONFIGURE OUTPUT ${CMAKE_BINARY_DIR}/installed-headers/${name}.cpp CONTENT "#include \"${header}\"\n")
  list(APPEND sources ${CMAKE_BINARY_DIR}/installed-headers/${name}.cpp)
endforeach()
add_library(installed_headers OBJECT ${sources})
target_link_libraries(installed_headers PRIVATE Vistane::VistaneService)
target_compile_options(installed_headers PRIVATE -Wall -Wextra -Wpedantic -Werror)
set_target_properties(installed_headers PROPERTIES NO_SYSTEM_FROM_IMPORTED ON)  # warn in them too
