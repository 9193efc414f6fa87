target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/body.cpp
  ${CMAKE_CURRENT_LIST_DIR}/last_error.cpp
  ${CMAKE_CURRENT_LIST_DIR}/vault.cpp)
