# The tray's click latency and the panel's distance from the icon in real hosts,
# against a plain Qt tray program: bench/tray-latency.py (see the README).
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(peer_tray ${CMAKE_CURRENT_LIST_DIR}/PeerTray.cpp)
target_link_libraries(peer_tray PRIVATE Qt6::Widgets)
