# Message boxes, folder browser, sound and window alpha (the desktop seam),
# the shell and the settings store.
target_sources(velmora_platform PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/desktop.cpp
  ${CMAKE_CURRENT_LIST_DIR}/settings.cpp
  ${CMAKE_CURRENT_LIST_DIR}/shell.cpp
)
