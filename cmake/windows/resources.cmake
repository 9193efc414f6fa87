# norvane_windows_resources(<target> [LIBRARY] [DESCRIPTION <text>]): embeds
# the application manifest (UTF-8 as the process code page, long paths,
# Windows 10 and 11, no elevation) in the program <target>; with a
# DESCRIPTION also a version resource carrying the project's version. A
# LIBRARY (a DLL) gets only the version resource: the process's settings
# are its program's.
#
# GCC links MinGW-w64's default-manifest.o where the toolchain has one; a
# second manifest would clash with it, so such a toolchain is refused.
execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=default-manifest.o
                OUTPUT_VARIABLE _default_manifest OUTPUT_STRIP_TRAILING_WHITESPACE)
if(IS_ABSOLUTE "${_default_manifest}" AND EXISTS "${_default_manifest}")
  message(FATAL_ERROR "${_default_manifest} would give the programs a second manifest: "
                      "remove the windows-default-manifest package")
endif()

function(norvane_windows_resources target)
  cmake_parse_arguments(PARSE_ARGV 1 _arg "LIBRARY" "DESCRIPTION" "")
  set(NORVANE_RESOURCE_NAME ${target})
  if(_arg_LIBRARY)
    set(NORVANE_RESOURCE_FILE ${target}.dll)
    set(NORVANE_RESOURCE_FILETYPE 2)
  else()
    set(NORVANE_RESOURCE_FILE ${target}.exe)
    set(NORVANE_RESOURCE_FILETYPE 1)
  endif()
  # Four parts, as manifests and version resources want them.
  set(_parts ${PROJECT_VERSION_MAJOR} ${PROJECT_VERSION_MINOR} ${PROJECT_VERSION_PATCH} 0)
  list(TRANSFORM _parts REPLACE "^$" "0")
  list(JOIN _parts "." NORVANE_RESOURCE_VERSION)
  list(JOIN _parts "," NORVANE_RESOURCE_VERSION_COMMAS)
  set(NORVANE_RESOURCE_DESCRIPTION "${_arg_DESCRIPTION}")
  set(_dir ${CMAKE_CURRENT_BINARY_DIR}/${target}-resources)
  set(NORVANE_RESOURCE_MANIFEST ${_dir}/${target}.exe.manifest)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/app.manifest.in ${NORVANE_RESOURCE_MANIFEST} @ONLY)
  configure_file(${CMAKE_CURRENT_FUNCTION_LIST_DIR}/app.rc.in ${_dir}/${target}.rc @ONLY)
  target_sources(${target} PRIVATE ${_dir}/${target}.rc)
  if(_arg_DESCRIPTION)
    set_property(SOURCE ${_dir}/${target}.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
                 COMPILE_DEFINITIONS NORVANE_VERSION_RESOURCE)
  endif()
  if(NOT _arg_LIBRARY)
    set_property(SOURCE ${_dir}/${target}.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
                 COMPILE_DEFINITIONS NORVANE_MANIFEST)
  endif()
  # windres does not see the manifest as a dependency of the resource script.
  set_property(SOURCE ${_dir}/${target}.rc TARGET_DIRECTORY ${target} APPEND PROPERTY
               OBJECT_DEPENDS ${NORVANE_RESOURCE_MANIFEST})
endfunction()
