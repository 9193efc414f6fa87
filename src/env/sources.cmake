target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/env.cpp)
