# Path and file helpers, the environment variables of the prefix.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/pathhelpers.cpp
  ${CMAKE_CURRENT_LIST_DIR}/environment.cpp
)
