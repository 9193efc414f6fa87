# Small helpers that every part of the library shares.
target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/hex.cpp)
