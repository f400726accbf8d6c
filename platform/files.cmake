# Files and folders over the prefix's drives, and the reader of the
# program's own files.
target_sources(velmora_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_drives.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ownfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortname.cpp
)
