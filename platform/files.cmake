# Files and folders over the prefix's drives, the reader of the program's
# own files and the writer that never leaves one half written.
target_sources(velmora_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/files.cpp
  ${CMAKE_CURRENT_LIST_DIR}/files_drives.cpp
  ${CMAKE_CURRENT_LIST_DIR}/ownfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/atomicfile.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shortname.cpp
)
