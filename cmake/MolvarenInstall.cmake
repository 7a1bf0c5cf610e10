# Installs the library, its header, a CMake package (find_package(Molvaren)
# gives Molvaren::molvaren) and a pkg-config file.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(MOLVAREN_INSTALLED_LIBRARIES molvaren)
if(TARGET molvaren_x)
  list(APPEND MOLVAREN_INSTALLED_LIBRARIES molvaren_x)
endif()
install(TARGETS ${MOLVAREN_INSTALLED_LIBRARIES} EXPORT MolvarenTargets
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(DIRECTORY include/molvaren DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

set(MOLVAREN_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/Molvaren)
install(EXPORT MolvarenTargets NAMESPACE Molvaren:: DESTINATION ${MOLVAREN_CMAKE_DIR})
configure_package_config_file(cmake/package/MolvarenConfig.cmake.in
                              ${CMAKE_CURRENT_BINARY_DIR}/MolvarenConfig.cmake
                              INSTALL_DESTINATION ${MOLVAREN_CMAKE_DIR})
write_basic_package_version_file(${CMAKE_CURRENT_BINARY_DIR}/MolvarenConfigVersion.cmake
                                 COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/MolvarenConfig.cmake
              ${CMAKE_CURRENT_BINARY_DIR}/MolvarenConfigVersion.cmake
        DESTINATION ${MOLVAREN_CMAKE_DIR})

# The .pc file finds its prefix from its own place, so that a tree installed
# with `cmake --install --prefix` elsewhere is usable as it lies.
set(MOLVAREN_PC_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
file(RELATIVE_PATH MOLVAREN_PC_TO_PREFIX /root/${MOLVAREN_PC_DIR} /root)
string(REGEX REPLACE "/$" "" MOLVAREN_PC_TO_PREFIX "${MOLVAREN_PC_TO_PREFIX}")
configure_file(cmake/package/molvaren.pc.in ${CMAKE_CURRENT_BINARY_DIR}/molvaren.pc @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/molvaren.pc DESTINATION ${MOLVAREN_PC_DIR})
