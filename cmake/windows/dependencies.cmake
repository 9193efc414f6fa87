# The third-party pieces of the Windows build, under the names the Linux build
# gets from find_package: SQLite::SQLite3, ICU::uc and fmt::fmt-header-only.
#
# - ICU is the system's icu.dll (Windows 10 version 1903 and later), through
#   its C API. MinGW-w64 has no import library for it, so one is made from
#   icu.def. The headers are ICU's C headers (those of the build machine by
#   default), used with the unversioned names that icu.dll exports.
# - SQLite and fmt come from find_package when a Windows build of them can be
#   found (for example through vcpkg's toolchain). Otherwise fmt is used
#   header-only and SQLite through its header and an import library for
#   sqlite3.dll made from the functions sqlite3.h declares; the programs then need sqlite3.dll at
#   run time.
#
# The import libraries load their DLL on the first call into it (delay
# loading), so a program runs without a DLL whose functions it never calls.
# Wine has no icu.dll: the tests check for it and skip what needs it.

set(NORVANE_HOST_INCLUDE_DIR "/usr/include" CACHE PATH
    "Where the headers sqlite3.h, unicode/ (ICU) and fmt/ of the build machine are")

# Only these headers of the build machine are seen, never the rest of its
# include folder: they are linked into a folder of their own.
set(_headers ${CMAKE_BINARY_DIR}/host-headers)
file(MAKE_DIRECTORY ${_headers})
foreach(_name sqlite3.h unicode fmt)
  if(NOT EXISTS ${NORVANE_HOST_INCLUDE_DIR}/${_name})
    message(FATAL_ERROR "${NORVANE_HOST_INCLUDE_DIR}/${_name} is missing: "
                        "install libsqlite3-dev, libicu-dev and libfmt-dev")
  endif()
  file(CREATE_LINK ${NORVANE_HOST_INCLUDE_DIR}/${_name} ${_headers}/${_name}
       SYMBOLIC COPY_ON_ERROR)
endforeach()

# norvane_delay_import_library(<target> <def file> <dll>): an import library
# for <dll> with the functions in <def file>, as an imported target.
function(norvane_delay_import_library target def dll)
  if(NOT CMAKE_DLLTOOL)
    find_program(CMAKE_DLLTOOL NAMES x86_64-w64-mingw32-dlltool dlltool REQUIRED)
  endif()
  get_filename_component(_stem ${def} NAME_WE)
  set(_lib ${CMAKE_BINARY_DIR}/import-libraries/lib${_stem}_delay.a)
  file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/import-libraries)
  execute_process(
    COMMAND ${CMAKE_DLLTOOL} --input-def ${def} --dllname ${dll} --output-delaylib ${_lib}
    RESULT_VARIABLE _status)
  if(NOT _status EQUAL 0)
    message(FATAL_ERROR "dlltool could not make an import library for ${dll}")
  endif()
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${def})
  add_library(${target} INTERFACE IMPORTED)
  target_link_libraries(${target} INTERFACE ${_lib})
endfunction()

norvane_delay_import_library(ICU::uc ${CMAKE_CURRENT_LIST_DIR}/icu.def icu.dll)
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
  # Every function that sqlite3.h declares, so that the import library never
  # falls behind the calls the code makes; delay-loading resolves each one only
  # when it is first called.
  file(STRINGS ${NORVANE_HOST_INCLUDE_DIR}/sqlite3.h _sqlite_api REGEX "^SQLITE_API .*sqlite3_[a-z0-9_]+\\(")
  set(_def "; Generated from sqlite3.h: the functions of sqlite3.dll.\nLIBRARY sqlite3.dll\nEXPORTS\n")
  foreach(_line IN LISTS _sqlite_api)
    if(_line MATCHES "(sqlite3_[a-z0-9_]+)\\(")
      string(APPEND _def "${CMAKE_MATCH_1}\n")
    endif()
  endforeach()
  file(WRITE ${CMAKE_BINARY_DIR}/import-libraries/sqlite3.def "${_def}")
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${NORVANE_HOST_INCLUDE_DIR}/sqlite3.h)
  norvane_delay_import_library(SQLite::SQLite3 ${CMAKE_BINARY_DIR}/import-libraries/sqlite3.def sqlite3.dll)
  target_include_directories(SQLite::SQLite3 INTERFACE ${_headers})
  message(STATUS "No Windows SQLite library found: the programs need sqlite3.dll at run time")
  set(_sqlite_dll TRUE)
elseif(SQLite3_LIBRARIES MATCHES "\\.dll\\.a$")
  set(_sqlite_dll TRUE)
endif()
# The programs load DLLs from the system folder only; sqlite3.dll, when SQLite
# is not linked in, from the program's own folder too.
if(_sqlite_dll)
  target_compile_definitions(SQLite::SQLite3 INTERFACE NORVANE_SQLITE_DLL=1)
endif()

# Windows programs built on Linux run under Wine.
if(CMAKE_CROSSCOMPILING AND NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(NORVANE_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
  if(NORVANE_WINE)
    set(NORVANE_WINEPREFIX ${CMAKE_BINARY_DIR}/wineprefix)
    configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.sh.in ${CMAKE_BINARY_DIR}/wine-run.sh
                   @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                   GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_BINARY_DIR}/wine-run.sh)
  else()
    message(WARNING "Wine not found: the Windows tests are built but cannot run here")
  endif()
endif()
