target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/app_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/crypto_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/db_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/debug_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/io_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/json_error.cpp)
