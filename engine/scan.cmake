# Registry walk, rules, problem list.
target_sources(velmora_engine PRIVATE
  ${CMAKE_CURRENT_LIST_DIR}/scanstate.cpp
  ${CMAKE_CURRENT_LIST_DIR}/problemlist.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scancontext.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scanwalk.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scansections.cpp
  ${CMAKE_CURRENT_LIST_DIR}/rules.cpp
  ${CMAKE_CURRENT_LIST_DIR}/scandriver.cpp
)
