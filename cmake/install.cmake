# Installing the library as a package an application builds against: the
# public headers under <includedir>/norvane, the archive, the CMake package
# `norvane` (target norvane::norvane), the pkg-config file norvane.pc, and
# the seed_notes command.
include(CMakePackageConfigHelpers)

set(NORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/norvane CACHE STRING
    "Where the CMake package files are installed, relative to the prefix")

install(TARGETS norvane EXPORT norvaneTargets ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/include/norvane DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        FILES_MATCHING PATTERN "*.h")
install(TARGETS seed_notes RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(EXPORT norvaneTargets NAMESPACE norvane:: DESTINATION ${NORVANE_INSTALL_CMAKEDIR})
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/norvaneConfig.cmake.in
  ${PROJECT_BINARY_DIR}/norvaneConfig.cmake INSTALL_DESTINATION ${NORVANE_INSTALL_CMAKEDIR})
# Before 1.0 a new minor version may change the interface.
write_basic_package_version_file(${PROJECT_BINARY_DIR}/norvaneConfigVersion.cmake
  COMPATIBILITY SameMinorVersion)
install(FILES ${PROJECT_BINARY_DIR}/norvaneConfig.cmake
              ${PROJECT_BINARY_DIR}/norvaneConfigVersion.cmake
        DESTINATION ${NORVANE_INSTALL_CMAKEDIR})

# The pkg-config file finds the prefix from its own place, so an installed
# tree can be moved (and `cmake --install --prefix` chooses it late).
if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}" OR IS_ABSOLUTE "${CMAKE_INSTALL_INCLUDEDIR}")
  set(NORVANE_PC_PREFIX "${CMAKE_INSTALL_PREFIX}")
  set(NORVANE_PC_LIBDIR "${CMAKE_INSTALL_FULL_LIBDIR}")
  set(NORVANE_PC_INCLUDEDIR "${CMAKE_INSTALL_FULL_INCLUDEDIR}")
else()
  file(RELATIVE_PATH _norvane_pc_up /root/${CMAKE_INSTALL_LIBDIR}/pkgconfig /root)
  string(REGEX REPLACE "/$" "" _norvane_pc_up "${_norvane_pc_up}")
  set(NORVANE_PC_PREFIX "\${pcfiledir}/${_norvane_pc_up}")
  set(NORVANE_PC_LIBDIR "\${prefix}/${CMAKE_INSTALL_LIBDIR}")
  set(NORVANE_PC_INCLUDEDIR "\${prefix}/${CMAKE_INSTALL_INCLUDEDIR}")
endif()
set(NORVANE_PC_EXTRA_LIBS "")
foreach(_norvane_lib IN LISTS CMAKE_DL_LIBS)
  string(APPEND NORVANE_PC_EXTRA_LIBS " -l${_norvane_lib}")
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvane.pc.in ${PROJECT_BINARY_DIR}/norvane.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/norvane.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
