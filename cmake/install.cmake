# Installing the library as a package an application builds against: the
# public headers under <includedir>/norvane, the archive, the CMake package
# `norvane` (target norvane::norvane), the pkg-config file norvane.pc, and
# the seed_notes command. On Windows the package also carries what a Windows
# system lacks, and the release zip is made of it (cmake/windows/package.cmake).
include(CMakePackageConfigHelpers)

set(NORVANE_INSTALL_CMAKEDIR ${CMAKE_INSTALL_LIBDIR}/cmake/norvane CACHE STRING
    "Where the CMake package files are installed, relative to the prefix")

# What a program that links the archive needs besides it: the targets of the
# package, what its CMake package looks for, the pkg-config modules that
# norvane.pc requires, and the further archives of the package that it names.
set(NORVANE_PACKAGE_TARGETS norvane)
set(NORVANE_FIND_DEPENDENCIES "find_dependency(SQLite3)\nfind_dependency(OpenSSL 3 COMPONENTS Crypto)")
set(NORVANE_PC_REQUIRES "sqlite3 >= 3.35.0, libcrypto >= 3.0")
set(NORVANE_PC_PACKAGE_LIBS "")
if(WIN32)
  include(${CMAKE_CURRENT_LIST_DIR}/windows/package.cmake)
endif()

install(TARGETS ${NORVANE_PACKAGE_TARGETS} EXPORT norvaneTargets
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
# A stripped installation (cmake --install --strip, and the Windows zip)
# strips the programs; the archives lose only their debug information, so
# that they still link.
foreach(_norvane_target IN LISTS NORVANE_PACKAGE_TARGETS)
  get_target_property(_norvane_type ${_norvane_target} TYPE)
  if(_norvane_type STREQUAL "STATIC_LIBRARY")
    install(CODE "if(CMAKE_INSTALL_DO_STRIP)
  execute_process(COMMAND \"${CMAKE_STRIP}\" --strip-debug
    \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_LIBDIR}/$<TARGET_FILE_NAME:${_norvane_target}>\"
    COMMAND_ERROR_IS_FATAL ANY)
endif()")
  endif()
endforeach()
# The C interface's shared library: on Linux libnorvane_c.so.0 with its
# links, on Windows norvane_c.dll among the programs, its import library
# libnorvane_c.dll.a and the .def file that a Visual Studio user makes an
# import library of. Linking it needs nothing else.
install(TARGETS norvane_c EXPORT norvaneTargets
        RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
        LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
        ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(WIN32)
  install(FILES ${NORVANE_C_DEF} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endif()
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
# After the package's own archives, the system libraries that the archive
# links by name (the dynamic loader; shell32 and ole32 on Windows): the
# targets it links are either in the package or required modules.
set(NORVANE_PC_EXTRA_LIBS "${NORVANE_PC_PACKAGE_LIBS}")
get_target_property(_norvane_links norvane LINK_LIBRARIES)
foreach(_norvane_lib IN LISTS _norvane_links)
  if(_norvane_lib MATCHES "^[A-Za-z0-9_.+-]+$" AND NOT TARGET ${_norvane_lib})
    string(APPEND NORVANE_PC_EXTRA_LIBS " -l${_norvane_lib}")
  endif()
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvane.pc.in ${PROJECT_BINARY_DIR}/norvane.pc @ONLY)
configure_file(${CMAKE_CURRENT_LIST_DIR}/norvane_c.pc.in ${PROJECT_BINARY_DIR}/norvane_c.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/norvane.pc ${PROJECT_BINARY_DIR}/norvane_c.pc
        DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
