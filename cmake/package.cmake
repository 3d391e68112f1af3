# What a host module builds against. `cmake --install` puts the module, its import
# library, the headers of its exported types and a package config in a prefix; a host
# module's CMakeLists.txt then says
#   find_package(VistaneService CONFIG REQUIRED)
#   target_link_libraries(host-module PRIVATE Vistane::VistaneService)
# On Windows, cpack makes the same into a ZIP with PluginHost.exe and a read-me.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

# The headers of the exported types and what they include, by their path in the source
# tree, which is also their path under include/. A header that moves changes its line
# here and nowhere else.
set(VISTANE_PUBLIC_HEADERS
  platform/win32_interface.h
  security/access_policy/exemption_white_list.h
  security/access_policy/matching_descriptor.h
  security/access_policy/no_manifest_check_criteria.h
  security/access_policy/vantix_access_exception.h
  security/access_policy/vantix_access_manager.h
  security/file_trust/authenticode_facade.h
  server/client_information.h
  server/launcher.h
  server/string_utils.h
  server/uwp_information.h
  server/win32_information.h
  service/module_export.h
  service/qv_service.h)
# The Linux module runs on the simulated Windows, which defines the types the launcher
# names; a Windows package takes them from the SDK.
if(NOT WIN32)
  list(APPEND VISTANE_PUBLIC_HEADERS
    platform/sim/api_kernel.h
    platform/sim/api_process.h
    platform/sim/sim_export.h
    platform/sim/win32_types.h)
endif()
foreach(header IN LISTS VISTANE_PUBLIC_HEADERS)
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/${folder})
endforeach()

# Installed programs and libraries carry no debug information: it lies beside each as
# NAME.debug, which debuggers find through the link objcopy leaves in the file. Runs
# after the file is installed, on the installed copy (its run path already set).
function(vistane_install_debug_information_apart target destination)
  if(MSVC)
    install(FILES $<TARGET_PDB_FILE:${target}> DESTINATION ${destination} OPTIONAL)
    return()
  endif()
  install(CODE "
    set(installed \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/$<TARGET_FILE_NAME:${target}>\")
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --only-keep-debug \"\${installed}\" \"\${installed}.debug\"
                    COMMAND_ERROR_IS_FATAL ANY)
    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --strip-all \"--add-gnu-debuglink=\${installed}.debug\" \"\${installed}\"
                    COMMAND_ERROR_IS_FATAL ANY)
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${installed}.debug\")")
endfunction()

if(NOT WIN32)
  # The module finds the logging library and the simulated Windows beside it.
  set_target_properties(VistaneService PROPERTIES INSTALL_RPATH "$ORIGIN")
endif()
target_compile_features(VistaneService INTERFACE cxx_std_20)
install(TARGETS VistaneService EXPORT VistaneServiceTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
# What the module needs at run time and host modules do not link: the logging library,
# and on Linux the simulated Windows.
set(VISTANE_RUNTIME_DEPENDENCIES vistane_logging)
if(WIN32)
  # A host for trying the module out; on Linux it builds its machine from test fixtures.
  list(APPEND VISTANE_RUNTIME_DEPENDENCIES PluginHost)
else()
  list(APPEND VISTANE_RUNTIME_DEPENDENCIES winsim)
endif()
install(TARGETS ${VISTANE_RUNTIME_DEPENDENCIES}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  set(runtime_folder ${CMAKE_INSTALL_BINDIR})  # DLLs and programs
else()
  set(runtime_folder ${CMAKE_INSTALL_LIBDIR})  # shared libraries only
endif()
foreach(target IN ITEMS VistaneService ${VISTANE_RUNTIME_DEPENDENCIES})
  vistane_install_debug_information_apart(${target} ${runtime_folder})
endforeach()

# The package config: version file, imported target Vistane::VistaneService.
set(VISTANE_PACKAGE_CONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/VistaneService)
install(EXPORT VistaneServiceTargets NAMESPACE Vistane:: DESTINATION ${VISTANE_PACKAGE_CONFIG_DIR})
configure_package_config_file(cmake/VistaneServiceConfig.cmake.in
  ${CMAKE_BINARY_DIR}/package/VistaneServiceConfig.cmake INSTALL_DESTINATION ${VISTANE_PACKAGE_CONFIG_DIR})
write_basic_package_version_file(${CMAKE_BINARY_DIR}/package/VistaneServiceConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/package/VistaneServiceConfig.cmake
  ${CMAKE_BINARY_DIR}/package/VistaneServiceConfigVersion.cmake DESTINATION ${VISTANE_PACKAGE_CONFIG_DIR})

# The Windows package: cpack in the build folder makes VistaneService-<version>-win64.zip.
if(WIN32)
  configure_file(cmake/package-readme.txt.in ${CMAKE_BINARY_DIR}/package/README.txt @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/package/README.txt DESTINATION .)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_NAME VistaneService)
  set(CPACK_PACKAGE_VENDOR "Orlent Works")
  set(CPACK_SYSTEM_NAME win64)
  include(CPack)
endif()
