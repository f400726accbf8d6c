# Registry walk, rules, problem list.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/scanstate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/problemlist.cpp
)
