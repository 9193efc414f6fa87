# The Windows package: what every installation holds, plus what a Windows
# system lacks, README.md and the licence texts of what the programs have
# built in. The release zip norvane-<version>-win64.zip is that package
# (cmake --build --preset windows-mingw --target package), made by
# zip.cmake. Included by cmake/install.cmake, whose variables it extends.

# SQLite, when compiled from the amalgamation, is an archive of its own in the
# package, norvane::sqlite3 (libnorvane_sqlite3.a), and its sqlite3.h is
# installed beside the include folder norvane/. A program gets it through
# norvane::norvane or norvane.pc as it gets the library, so merging the two
# archives would save it no step; kept apart, the program can call the very
# SQLite whose handles a connection hands out, and the file that the
# licence text is about stays a file of its own.
if(TARGET norvane_sqlite3)
  list(APPEND NORVANE_PACKAGE_TARGETS norvane_sqlite3)
  string(APPEND NORVANE_PC_PACKAGE_LIBS " -lnorvane_sqlite3")
  set(NORVANE_FIND_DEPENDENCIES "")
  set(NORVANE_PC_REQUIRES "")
  install(FILES ${NORVANE_SQLITE_SOURCE_DIR}/sqlite3.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

  # SQLite's notice is the blessing at the head of sqlite3.h.
  file(READ ${NORVANE_SQLITE_SOURCE_DIR}/sqlite3.h _header LIMIT 16384)
  string(FIND "${_header}" "\n*****" _end)
  string(REGEX MATCH "#define SQLITE_VERSION +\"([0-9.]+)\"" _ "${_header}")
  if(_end LESS 0 OR NOT CMAKE_MATCH_1)
    message(FATAL_ERROR "${NORVANE_SQLITE_SOURCE_DIR}/sqlite3.h has no notice or version where "
                        "SQLite's amalgamation has them")
  endif()
  set(_version ${CMAKE_MATCH_1})
  string(SUBSTRING "${_header}" 0 ${_end} _notice)
  string(REGEX REPLACE "^/\\*\n" "" _notice "${_notice}")
  string(REGEX REPLACE "(^|\n)\\*\\* ?" "\\1" _notice "${_notice}")
  file(WRITE ${PROJECT_BINARY_DIR}/licenses/SQLite.txt
       "SQLite ${_version}, compiled into the programs and into lib/libnorvane_sqlite3.a,\n"
       "is in the public domain. Its notice, from sqlite3.h:\n\n${_notice}\n")
  install(FILES ${PROJECT_BINARY_DIR}/licenses/SQLite.txt DESTINATION licenses)
else()
  # A Windows SQLite from elsewhere (vcpkg, for example) is looked for again.
  set(NORVANE_FIND_DEPENDENCIES "find_dependency(SQLite3)")
  set(NORVANE_PC_REQUIRES "sqlite3 >= 3.35.0")
endif()

# The delay-loaded import libraries of crypt32.dll and bcrypt.dll.
foreach(_target norvane_crypt32_delay norvane_bcrypt_delay)
  list(APPEND NORVANE_PACKAGE_TARGETS ${_target})
  string(APPEND NORVANE_PC_PACKAGE_LIBS " -l${_target}")
  get_target_property(_library ${_target} NORVANE_IMPORT_LIBRARY)
  install(FILES ${_library} DESTINATION ${CMAKE_INSTALL_LIBDIR})
endforeach()

# The programs link the MinGW-w64 runtime statically: its start-up code,
# its C library additions and winpthreads, whose licences ask for their
# notices to go with the program. (The GCC runtime's exception asks for
# nothing.)
set(NORVANE_MINGW_COPYRIGHT_FILE /usr/share/doc/mingw-w64-x86-64-dev/copyright CACHE FILEPATH
    "The copyright and licence texts of the MinGW-w64 runtime (Debian's mingw-w64-x86-64-dev)")
if(EXISTS ${NORVANE_MINGW_COPYRIGHT_FILE})
  install(FILES ${NORVANE_MINGW_COPYRIGHT_FILE} DESTINATION licenses RENAME MinGW-w64.txt)
else()
  message(WARNING "${NORVANE_MINGW_COPYRIGHT_FILE} is missing: the package goes without the "
                  "MinGW-w64 runtime's licence texts (set NORVANE_MINGW_COPYRIGHT_FILE)")
endif()

install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION .)

# The zip unpacks to one folder, norvane-<version>-win64, with the package's
# layout inside; seed_notes.exe is stripped (the archives keep their symbols).
# It is written by zip.cmake rather than CPack, whose zips record each file's
# owner and its access and change times, and DOS times in the local time
# zone, so that the same sources give the same zip.
set(_packaged seed_notes norvane_c)
foreach(_target IN LISTS NORVANE_PACKAGE_TARGETS)
  get_target_property(_type ${_target} TYPE)
  if(NOT _type STREQUAL "INTERFACE_LIBRARY")
    list(APPEND _packaged ${_target})
  endif()
endforeach()
# A build folder that CPack once configured keeps its CPackConfig.cmake, and
# CMake reserves the name `package` while that file is there.
file(REMOVE ${PROJECT_BINARY_DIR}/CPackConfig.cmake ${PROJECT_BINARY_DIR}/CPackSourceConfig.cmake)
add_custom_target(package
  COMMAND ${CMAKE_COMMAND} -DNORVANE_BUILD_DIR=${PROJECT_BINARY_DIR}
          -DNORVANE_SOURCE_DIR=${PROJECT_SOURCE_DIR} -DNORVANE_CONFIG=$<CONFIG>
          -DNORVANE_PACKAGE_NAME=norvane-${PROJECT_VERSION}-win64
          -P ${CMAKE_CURRENT_LIST_DIR}/zip.cmake
  COMMENT "Making norvane-${PROJECT_VERSION}-win64.zip"
  VERBATIM)
add_dependencies(package ${_packaged})
