# The build's time, the one time that what the build writes may record (the
# release zip's entries and the PE header of its program): SOURCE_DATE_EPOCH
# (seconds since 1970-01-01 00:00 UTC) when it is set; else the time of the
# commit checked out in the source folder; else, when the source folder is
# no git checkout (an unpacked tarball), 0. It is taken when the zip is made,
# not when the build is configured, so that a new commit counts at once.
#
# norvane_build_time(<variable> <source folder>) sets <variable> to it and
# <variable>_FROM to where it comes from. Run as a script,
#
#   cmake -DNORVANE_SOURCE_DIR=<source folder> -P cmake/build-time.cmake
#
# prints it.

function(norvane_build_time variable source_dir)
  if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
    set(_time "$ENV{SOURCE_DATE_EPOCH}")
    if(NOT _time MATCHES "^[0-9]+$")
      message(FATAL_ERROR "SOURCE_DATE_EPOCH is '${_time}': it must be a number of seconds "
                          "since 1970-01-01 00:00 UTC")
    endif()
    set(_from "SOURCE_DATE_EPOCH")
  elseif(EXISTS ${source_dir}/.git)
    # The source folder's own checkout only, not one that a copy of the tree
    # happens to lie in.
    find_program(_git git)
    if(NOT _git)
      message(FATAL_ERROR "${source_dir} is a git checkout, and the build's time is its "
                          "commit's, but git is missing: install git, or set SOURCE_DATE_EPOCH")
    endif()
    execute_process(COMMAND ${_git} -C ${source_dir} log -1 --format=%ct
                    OUTPUT_VARIABLE _time ERROR_VARIABLE _error RESULT_VARIABLE _status
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT _status EQUAL 0 OR NOT _time MATCHES "^[0-9]+$")
      message(FATAL_ERROR "git could not give the time of the commit checked out in "
                          "${source_dir} (set SOURCE_DATE_EPOCH instead): ${_error}")
    endif()
    set(_from "the commit's time")
  else()
    set(_time 0)
    set(_from "no SOURCE_DATE_EPOCH, and the source folder is no git checkout")
  endif()
  set(${variable} ${_time} PARENT_SCOPE)
  set(${variable}_FROM ${_from} PARENT_SCOPE)
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  if(NOT DEFINED NORVANE_SOURCE_DIR)
    message(FATAL_ERROR "NORVANE_SOURCE_DIR is not set")
  endif()
  norvane_build_time(_time ${NORVANE_SOURCE_DIR})
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo ${_time})
endif()
