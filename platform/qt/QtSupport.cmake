# The Qt side of the platform: the main queue on the Qt event loop, icon
# conversion, the application's own bundle (identity, path, reveal) and the
# pump that feeds a window system's socket from the event loop.
find_package(Qt6 REQUIRED COMPONENTS Core Gui Widgets DBus)

add_library(varnic_qt STATIC
  ${CMAKE_CURRENT_LIST_DIR}/AppIconImage.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DesktopAppBundle.cpp
  ${CMAKE_CURRENT_LIST_DIR}/DesktopUrlOpener.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtMainQueue.cpp
  ${CMAKE_CURRENT_LIST_DIR}/QtRepeatingTimer.cpp
  ${CMAKE_CURRENT_LIST_DIR}/SocketEventPump.cpp
  ${CMAKE_CURRENT_LIST_DIR}/X11PanelPlacer.cpp
)
set_target_properties(varnic_qt PROPERTIES AUTOMOC ON)
target_link_libraries(varnic_qt PUBLIC varnic_windows Qt6::Core Qt6::Gui Qt6::Widgets PRIVATE varnic_proc Qt6::DBus)
