target_sources(norvane PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/busy_wait.cpp
  ${CMAKE_CURRENT_LIST_DIR}/connection.cpp
  ${CMAKE_CURRENT_LIST_DIR}/file_name.cpp
  ${CMAKE_CURRENT_LIST_DIR}/statement.cpp
  ${CMAKE_CURRENT_LIST_DIR}/transaction.cpp
  ${CMAKE_CURRENT_LIST_DIR}/list_notes.cpp
  ${CMAKE_CURRENT_LIST_DIR}/location.cpp
  ${CMAKE_CURRENT_LIST_DIR}/open.cpp
  ${CMAKE_CURRENT_LIST_DIR}/note_state.cpp)
