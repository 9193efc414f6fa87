# The platform layer: the code shared by both backends, then the backend of
# the target system, each with what it links.
target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unicode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unicode_library.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf16.cpp)

if(WIN32)
  target_sources(norvane PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/windows/aes_gcm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/command_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/console.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/data_protection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/fs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/icu_functions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/known_folder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/os_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/random.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/secure_wipe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/system_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/wide.cpp
    ${CMAKE_CURRENT_LIST_DIR}/windows/write_all.cpp)
  # FOLDERID_LocalAppData is defined in libuuid, which CMake links into every
  # Windows program by default and a plain g++ link does not: named here, the
  # library's link interface and norvane.pc carry it.
  target_link_libraries(norvane PRIVATE shell32 ole32 uuid Windows::crypt32 Windows::bcrypt)
else()
  target_sources(norvane PRIVATE
    ${CMAKE_CURRENT_LIST_DIR}/posix/aes_gcm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/clock.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/command_line.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/console.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/data_protection.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/env.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/evp_gcm.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/fs.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/icu_functions.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/key_cache.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/key_store.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/known_folder.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/os_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/process.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/protected_blob.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/random.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/secure_wipe.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/system_error.cpp
    ${CMAKE_CURRENT_LIST_DIR}/posix/write_all.cpp)
  # ICU is loaded with dlopen on first use (posix/icu_functions.cpp).
  target_link_libraries(norvane PRIVATE OpenSSL::Crypto ${CMAKE_DL_LIBS})
endif()
