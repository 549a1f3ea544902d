# cmake --install and the zip: bin/ (DLL, host, their .pdb files), lib/
# (both import libraries, CMake package configuration), include/.
include(CMakePackageConfigHelpers)

install(TARGETS KXVirtualMachMgr VMLauncher RUNTIME DESTINATION bin ARCHIVE DESTINATION lib)
install(FILES $<TARGET_PROPERTY:KXVirtualMachMgr,KX_PDB> $<TARGET_PROPERTY:VMLauncher,KX_PDB>
        DESTINATION bin CONFIGURATIONS Release)
install(FILES ${KX_MSVC_IMPORT_LIBRARY} DESTINATION lib)
install(DIRECTORY include/ DESTINATION include FILES_MATCHING PATTERN "*.h")
install(DIRECTORY samples/ DESTINATION samples)
# The consumer's guide, at the top of the package.
configure_file(release/README.md ${PROJECT_BINARY_DIR}/release/README.md @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/release/README.md release/NOTICE DESTINATION .)

set(KX_CONFIG_DIR lib/cmake/KXVirtualMachMgr)
write_basic_package_version_file(
  ${PROJECT_BINARY_DIR}/KXVirtualMachMgrConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES cmake/KXVirtualMachMgrConfig.cmake
              ${PROJECT_BINARY_DIR}/KXVirtualMachMgrConfigVersion.cmake
        DESTINATION ${KX_CONFIG_DIR})

set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME KXVirtualMachMgr)
set(CPACK_PACKAGE_VENDOR Brondel)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_SYSTEM_NAME win64)
# <zip>.sha256 beside the zip.
set(CPACK_PACKAGE_CHECKSUM SHA256)
include(CPack)
