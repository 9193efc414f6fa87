# Shared code of the platform layer, then the backend of the target system.
if(WIN32)
  set(NORVANE_PLATFORM_BACKEND ${CMAKE_CURRENT_LIST_DIR}/windows)
else()
  set(NORVANE_PLATFORM_BACKEND ${CMAKE_CURRENT_LIST_DIR}/posix)
endif()

target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/path.cpp
  ${CMAKE_CURRENT_LIST_DIR}/unicode.cpp
  ${NORVANE_PLATFORM_BACKEND}/clock.cpp
  ${NORVANE_PLATFORM_BACKEND}/command_line.cpp
  ${NORVANE_PLATFORM_BACKEND}/console.cpp
  ${NORVANE_PLATFORM_BACKEND}/env.cpp
  ${NORVANE_PLATFORM_BACKEND}/fs.cpp
  ${NORVANE_PLATFORM_BACKEND}/known_folder.cpp
  ${NORVANE_PLATFORM_BACKEND}/process.cpp
  ${NORVANE_PLATFORM_BACKEND}/unicode.cpp
  ${NORVANE_PLATFORM_BACKEND}/unicode_library.cpp)
if(WIN32)
  target_sources(norvane PRIVATE ${NORVANE_PLATFORM_BACKEND}/wide.cpp)
  target_link_libraries(norvane PRIVATE shell32 ole32)
endif()

# Data protection, system error texts, AES-GCM, randomness.
target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/utf16.cpp
  ${NORVANE_PLATFORM_BACKEND}/aes_gcm.cpp
  ${NORVANE_PLATFORM_BACKEND}/data_protection.cpp
  ${NORVANE_PLATFORM_BACKEND}/random.cpp
  ${NORVANE_PLATFORM_BACKEND}/secure_wipe.cpp
  ${NORVANE_PLATFORM_BACKEND}/system_error.cpp)
if(WIN32)
  target_link_libraries(norvane PRIVATE Windows::crypt32 Windows::bcrypt)
else()
  target_sources(norvane PRIVATE
    ${NORVANE_PLATFORM_BACKEND}/evp_gcm.cpp
    ${NORVANE_PLATFORM_BACKEND}/key_cache.cpp
    ${NORVANE_PLATFORM_BACKEND}/key_store.cpp
    ${NORVANE_PLATFORM_BACKEND}/protected_blob.cpp)
endif()
