# Path and file helpers.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pathhelpers.cpp
)
