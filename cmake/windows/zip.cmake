# Makes the release zip of a Windows build, the same bytes for the same
# sources wherever and whenever it is made; run by the target `package`
# (cmake/windows/package.cmake):
#
#   cmake -DNORVANE_BUILD_DIR=<build folder> -DNORVANE_SOURCE_DIR=<source folder>
#         -DNORVANE_CONFIG=<configuration> -DNORVANE_PACKAGE_NAME=<name>
#         -P cmake/windows/zip.cmake
#
# The build is installed, stripped, into a staging folder <name>/; every file
# gets the same permissions and the build's time (cmake/build-time.cmake),
# which is also the time stamp of the stripped program; and Info-ZIP's zip
# writes the files in the order of their names, with no extra fields (owner,
# access and change times) and its DOS times in UTC, into
# <build folder>/<name>.zip, which is replaced only once the new one is whole.
cmake_minimum_required(VERSION 3.25)

foreach(_var NORVANE_BUILD_DIR NORVANE_SOURCE_DIR NORVANE_PACKAGE_NAME)
  if(NOT DEFINED ${_var})
    message(FATAL_ERROR "${_var} is not set")
  endif()
endforeach()

find_program(_zip zip)
if(NOT _zip)
  message(FATAL_ERROR "zip (Info-ZIP) is missing, which writes the release zip: install "
                      "Debian's zip package")
endif()

# The build's time, for the files and for strip, which writes
# SOURCE_DATE_EPOCH, or else the wall clock, into the program's PE header.
include(${CMAKE_CURRENT_LIST_DIR}/../build-time.cmake)
norvane_build_time(_time ${NORVANE_SOURCE_DIR})
set(ENV{SOURCE_DATE_EPOCH} ${_time})
string(TIMESTAMP _date "%Y-%m-%d %H:%M:%S UTC" UTC)

# The installation, stripped, in a staging folder of its own.
set(_staging ${NORVANE_BUILD_DIR}/zip-staging)
set(_root ${_staging}/${NORVANE_PACKAGE_NAME})
file(REMOVE_RECURSE ${_staging})
set(_config "")
if(NORVANE_CONFIG)
  set(_config --config ${NORVANE_CONFIG})
endif()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${NORVANE_BUILD_DIR} ${_config}
                        --prefix ${_root} --strip
                OUTPUT_QUIET COMMAND_ERROR_IS_FATAL ANY)

# Every file readable by all and written by its owner, the programs
# executable; all of the build's time.
file(GLOB_RECURSE _files LIST_DIRECTORIES false RELATIVE ${_staging} ${_root}/*)
list(SORT _files)
if(NOT _files)
  message(FATAL_ERROR "The installation into ${_root} holds no file")
endif()
list(TRANSFORM _files PREPEND ${_staging}/ OUTPUT_VARIABLE _paths)
file(CHMOD ${_paths} FILE_PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
file(GLOB _programs ${_root}/bin/*.exe ${_root}/bin/*.dll)
if(_programs)
  file(CHMOD ${_programs} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
             GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endif()
execute_process(COMMAND touch -d @${_time} -- ${_paths} COMMAND_ERROR_IS_FATAL ANY)

# zip takes options from the environment too, and writes DOS times in local
# time.
unset(ENV{ZIPOPT})
unset(ENV{ZIP})
set(ENV{TZ} UTC)
list(JOIN _files "\n" _list)
file(WRITE ${_staging}/files "${_list}\n")
set(_new ${_staging}/${NORVANE_PACKAGE_NAME}.zip)
execute_process(COMMAND ${_zip} -q -X -D ${_new} -@
                INPUT_FILE ${_staging}/files WORKING_DIRECTORY ${_staging}
                COMMAND_ERROR_IS_FATAL ANY)
file(RENAME ${_new} ${NORVANE_BUILD_DIR}/${NORVANE_PACKAGE_NAME}.zip)
file(REMOVE_RECURSE ${_staging})
list(LENGTH _files _count)
message(STATUS "${NORVANE_BUILD_DIR}/${NORVANE_PACKAGE_NAME}.zip: ${_count} files, "
               "dated ${_date} (${_time_FROM})")
