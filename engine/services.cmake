# Backups and their restore, text scrambling, window and shell services.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/backup.cpp
  ${CMAKE_CURRENT_LIST_DIR}/backupstore.cpp
  ${CMAKE_CURRENT_LIST_DIR}/resultsfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/fix.cpp
  ${CMAKE_CURRENT_LIST_DIR}/services.cpp
)
