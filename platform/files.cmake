# Files and folders over the prefix's drives.
target_sources(velmora_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_drives.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortname.cpp
)
