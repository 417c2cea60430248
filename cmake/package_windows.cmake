# The Windows edition's package: `cpack -G ZIP` in the 64-bit build folder
# makes tovra-windows-<version>.zip with the 32-bit updater, the 64-bit
# dsrtool and the XML Schema of the files, side by side in one folder.
#
# The updater is the 32-bit build's (TOVRA_WINDOWS_UPDATER, see
# cmake/windows.cmake): the product keys are found in the registry view a
# 32-bit program reads. The 32-bit build itself packs its own.
install(TARGETS dsrtool RUNTIME DESTINATION . COMPONENT windows)
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  install(TARGETS tovra_update RUNTIME DESTINATION . COMPONENT windows)
else()
  install(PROGRAMS ${TOVRA_WINDOWS_UPDATER} DESTINATION . COMPONENT windows)
endif()
install(FILES resources/device_series.xsd DESTINATION . COMPONENT windows)

set(CPACK_PACKAGE_NAME tovra-windows)
set(CPACK_PACKAGE_VENDOR "Vintrell")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_FILE_NAME tovra-windows-${PROJECT_VERSION})
set(CPACK_COMPONENTS_ALL windows)
set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
