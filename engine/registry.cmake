# The registry procedures of the engine.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/registryaccess.cpp
  ${CMAKE_CURRENT_LIST_DIR}/logonentry.cpp
  ${CMAKE_CURRENT_LIST_DIR}/registrychange.cpp
)
