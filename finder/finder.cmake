# The folder and drive walk (Qt Core only) and the missing-files wizard.
add_library(velmora_finder_walk STATIC ${CMAKE_CURRENT_LIST_DIR}/modscanfolder.cpp)
target_link_libraries(velmora_finder_walk PUBLIC velmora_engine)

add_library(velmora_finder STATIC ${CMAKE_CURRENT_LIST_DIR}/frmscanfmissingfiles.cpp)
target_link_libraries(velmora_finder PUBLIC velmora_finder_walk Qt6::Widgets)
