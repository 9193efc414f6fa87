# The third-party pieces of the Windows build, under the names the Linux build
# gets from find_package: SQLite::SQLite3, ICU::uc and fmt::fmt-header-only.
#
# - SQLite is compiled into the programs from the amalgamation that
#   scripts/windows-sqlite.sh makes out of Debian's source package of the
#   version the Linux build links, so they need no sqlite3.dll. A Windows
#   build of SQLite that find_package finds (for example through vcpkg's
#   toolchain) is used instead. The compiled-in SQLite is the library
#   norvane::sqlite3 of the installed package, with its sqlite3.h.
# - ICU is the system's icu.dll (Windows 10 version 1903 and later), through
#   its C API. The program loads it itself from the system folder and looks
#   its functions up (platform/windows/icu_functions.cpp), so only ICU's C
#   headers are used here (those of the build machine by default), with the
#   unversioned names that icu.dll exports.
# - crypt32.dll and bcrypt.dll are not among the DLLs that Windows always
#   maps from its own folder, so the loader would look for them beside the
#   program first. Their import libraries are delay-loaded instead: the first
#   call loads the DLL, by then from the system folder only
#   (SetDefaultDllDirectories at start-up). They are installed with the
#   library, as norvane::crypt32_delay and norvane::bcrypt_delay.
# - fmt comes from find_package when a Windows build of it can be found;
#   otherwise it is used header-only.
#
# Wine has no icu.dll: the tests run with one that scripts/windows-icu.sh
# builds from Debian's source package of the Linux build's ICU, installed into
# the system folder of the build's Wine prefix, where the program looks for
# it.

enable_language(C)
enable_language(RC)
include(${CMAKE_CURRENT_LIST_DIR}/resources.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/typeinfo-equality.cmake)

set(NORVANE_HOST_INCLUDE_DIR "/usr/include" CACHE PATH
    "Where the headers unicode/ (ICU) and fmt/ of the build machine are")

# Only these headers of the build machine are seen, never the rest of its
# include folder (in particular not its sqlite3.h): they are linked into a
# folder of their own.
set(_headers ${PROJECT_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_headers})
file(REMOVE ${_headers}/sqlite3.h)
foreach(_name unicode fmt)
  if(NOT EXISTS ${NORVANE_HOST_INCLUDE_DIR}/${_name})
    message(FATAL_ERROR "${NORVANE_HOST_INCLUDE_DIR}/${_name} is missing: "
                        "install libicu-dev and libfmt-dev")
  endif()
  file(CREATE_LINK ${NORVANE_HOST_INCLUDE_DIR}/${_name} ${_headers}/${_name}
       SYMBOLIC COPY_ON_ERROR)
endforeach()

# norvane_delay_import_library(<stem>.def <dll>): the delay-loaded import
# library libnorvane_<stem>_delay.a for <dll>, with the functions listed in
# the .def file, as the interface target norvane_<stem>_delay (alias
# Windows::<stem>), which the package installs with the file. The file's name
# is the project's own, so that it is not mistaken for the toolchain's
# ordinary import library lib<stem>.a.
function(norvane_delay_import_library def dll)
  if(NOT CMAKE_DLLTOOL)
    find_program(CMAKE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)
  endif()
  get_filename_component(_stem ${def} NAME_WE)
  set(_target norvane_${_stem}_delay)
  set(_file lib${_target}.a)
  set(_dir ${PROJECT_BINARY_DIR}/import-libraries)
  set(_lib ${_dir}/${_file})
  file(MAKE_DIRECTORY ${_dir})
  # dlltool names the library's symbols after the output file as it is given
  # (__tailMerge_<file>) and its members after the temporary prefix, which is
  # made from its process id unless given: the bare file name, written in its
  # folder, and a fixed prefix, so that the library is the same wherever and
  # whenever it is made.
  execute_process(
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${_file}
            --temp-prefix ${_target}_ --deterministic-libraries
    WORKING_DIRECTORY ${_dir}
    RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "dlltool could not make an import library for ${dll}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(${_target} INTERFACE)
  target_link_libraries(${_target} INTERFACE
    $<BUILD_INTERFACE:${_lib}>
    $<INSTALL_INTERFACE:$<INSTALL_PREFIX>/${CMAKE_INSTALL_LIBDIR}/${_file}>)
  set_target_properties(${_target} PROPERTIES EXPORT_NAME ${_stem}_delay
                                              NORVANE_IMPORT_LIBRARY ${_lib})
  add_library(Windows::${_stem} ALIAS ${_target})
endfunction()

norvane_delay_import_library(${CMAKE_CURRENT_LIST_DIR}/crypt32.def crypt32.dll)
norvane_delay_import_library(${CMAKE_CURRENT_LIST_DIR}/bcrypt.def bcrypt.dll)

# norvane_debian_version(<variable> <package>): the Debian version of the
# source package of the installed <package>, as the scripts under scripts/
# name their results; empty when it is not installed.
function(norvane_debian_version variable package)
  find_program(NORVANE_DPKG_QUERY dpkg-query NO_CMAKE_FIND_ROOT_PATH)
  set(_version "")
  if(NORVANE_DPKG_QUERY)
    execute_process(COMMAND ${NORVANE_DPKG_QUERY} -W "-f=\${source:Version}" ${package}
                    OUTPUT_VARIABLE _version RESULT_VARIABLE _status ERROR_QUIET
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT _status EQUAL 0)
      set(_version "")
    endif()
  endif()
  set(${variable} "${_version}" PARENT_SCOPE)
endfunction()

add_library(ICU::uc INTERFACE IMPORTED)
target_include_directories(ICU::uc INTERFACE ${_headers})
target_compile_definitions(ICU::uc INTERFACE U_DISABLE_RENAMING=1 U_SHOW_CPLUSPLUS_API=0)

find_package(fmt QUIET)
if(NOT fmt_FOUND)
  add_library(fmt::fmt-header-only INTERFACE IMPORTED)
  target_include_directories(fmt::fmt-header-only INTERFACE ${_headers})
  target_compile_definitions(fmt::fmt-header-only INTERFACE FMT_HEADER_ONLY=1)
endif()

find_package(SQLite3 QUIET)
if(NOT SQLite3_FOUND)
  # The amalgamation is kept per Debian version of libsqlite3-dev, so that an
  # update of the Linux build's SQLite asks for a new one.
  set(NORVANE_SQLITE_AMALGAMATION_DIR "" CACHE PATH
      "Folder with sqlite3.c and sqlite3.h for Windows (default: the one scripts/windows-sqlite.sh makes)")
  set(_sqlite_dir ${NORVANE_SQLITE_AMALGAMATION_DIR})
  if(NOT _sqlite_dir)
    norvane_debian_version(_sqlite_version libsqlite3-dev)
    if(NOT _sqlite_version)
      message(FATAL_ERROR "libsqlite3-dev is not installed, so the SQLite version for Windows is "
                          "unknown: run scripts/windows-sqlite.sh, or set "
                          "NORVANE_SQLITE_AMALGAMATION_DIR to a folder with sqlite3.c and sqlite3.h")
    endif()
    set(_sqlite_dir ${PROJECT_SOURCE_DIR}/build/sqlite-amalgamation/${_sqlite_version})
  endif()
  if(NOT EXISTS ${_sqlite_dir}/sqlite3.c OR NOT EXISTS ${_sqlite_dir}/sqlite3.h)
    message(FATAL_ERROR "No SQLite amalgamation in ${_sqlite_dir}: run scripts/windows-sqlite.sh "
                        "(it makes one from Debian's source package of libsqlite3-dev's version), "
                        "or set NORVANE_SQLITE_AMALGAMATION_DIR")
  endif()
  message(STATUS "SQLite for Windows: ${_sqlite_dir}/sqlite3.c, compiled in")

  # Third-party code: none of the project's warning options, but its prefix
  # maps. The amalgamation's folder, wherever it is, is "sqlite", for the
  # library and for the sqlite3.h that our own code includes.
  add_library(norvane_sqlite3 STATIC ${_sqlite_dir}/sqlite3.c)
  norvane_prefix_maps(norvane_sqlite3 PRIVATE ${NORVANE_PREFIX_MAPS} ${_sqlite_dir} sqlite)
  norvane_prefix_maps(norvane_warnings INTERFACE ${_sqlite_dir} sqlite)
  target_include_directories(norvane_sqlite3 SYSTEM INTERFACE $<BUILD_INTERFACE:${_sqlite_dir}>)
  target_include_directories(norvane_sqlite3 INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
  set_target_properties(norvane_sqlite3 PROPERTIES EXPORT_NAME sqlite3)
  set(NORVANE_SQLITE_SOURCE_DIR ${_sqlite_dir})
  target_compile_definitions(norvane_sqlite3 PRIVATE
    # As Debian builds it, so that the engine behaves as the Linux build's
    # does: serialised mode by default (connections opened with no-mutex run
    # multi-threaded), deleted content overwritten, LIKE never matching
    # blobs, URI file names, Debian's limits.
    SQLITE_THREADSAFE=1
    SQLITE_SECURE_DELETE
    SQLITE_LIKE_DOESNT_MATCH_BLOBS
    SQLITE_USE_URI=1
    SQLITE_MAX_SCHEMA_RETRY=25
    SQLITE_MAX_VARIABLE_NUMBER=250000
    # No run-time loading of extension DLLs: the program loads no DLLs but the
    # system's.
    SQLITE_OMIT_LOAD_EXTENSION)
  add_library(SQLite::SQLite3 ALIAS norvane_sqlite3)
endif()

# Windows programs built on Linux run under Wine.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(NORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(NORVANE_WINE)
    set(NORVANE_WINEPREFIX ${PROJECT_BINARY_DIR}/wineprefix)
    # The icu.dll of the Wine prefix, kept per Debian version of libicu-dev
    # (whose headers the program is built with), so that an update asks for a
    # new one. Only the tests need it: they stop with a message naming the
    # script when it is missing.
    set(NORVANE_WINE_ICU_DLL "" CACHE STRING
        "icu.dll for the system folder of the Wine prefix (default: the one scripts/windows-icu.sh makes; OFF: none, so that the tests run without ICU)")
    set(_icu_dll ${NORVANE_WINE_ICU_DLL})
    if(NOT _icu_dll AND NOT _icu_dll STREQUAL "OFF")
      norvane_debian_version(_icu_version libicu-dev)
      set(_icu_dll ${PROJECT_SOURCE_DIR}/build/icu-dll/${_icu_version}/icu.dll)
    endif()
    if(_icu_dll STREQUAL "OFF")
      set(_icu_dll "")
      message(STATUS "icu.dll for Wine: none, the tests run without ICU")
    elseif(EXISTS ${_icu_dll})
      message(STATUS "icu.dll for Wine: ${_icu_dll}")
    else()
      message(STATUS "icu.dll for Wine: ${_icu_dll}, missing: run scripts/windows-icu.sh "
                     "before the tests")
    endif()
    set(NORVANE_WINE_ICU_DLL_FILE ${_icu_dll})
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${PROJECT_BINARY_DIR}/wine-run.sh
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PROJECT_BINARY_DIR}/wine-run.sh)
  else()
    message(WARNING "Wine not found: the Windows tests are built but cannot run here")
  endif()
endif()
