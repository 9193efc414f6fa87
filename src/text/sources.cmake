target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hex.cpp
  ${CMAKE_CURRENT_LIST_DIR}/utf8.cpp)
