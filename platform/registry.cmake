# Registry over the prefix's files, the prefix itself, the ANSI code page.
target_sources(velmora_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/ansi.cpp
  ${CMAKE_CURRENT_LIST_DIR}/clock.cpp
  ${CMAKE_CURRENT_LIST_DIR}/regformat.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/winreg.cpp
  ${CMAKE_CURRENT_LIST_DIR}/regkey.cpp
  ${CMAKE_CURRENT_LIST_DIR}/prefix.cpp
)
