# The X11 window system's connection on the Qt event loop.
add_library(varnic_x11pump STATIC ${CMAKE_CURRENT_LIST_DIR}/X11EventPump.cpp)
set_target_properties(varnic_x11pump PROPERTIES AUTOMOC ON)
target_link_libraries(varnic_x11pump PUBLIC varnic_x11 Qt6::Core)
