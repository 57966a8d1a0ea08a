# Listing and classifying many real client windows on a private Xvfb + openbox,
# against wmctrl -lpG on the same display.
find_package(benchmark REQUIRED)
add_executable(x11_bench ${CMAKE_CURRENT_LIST_DIR}/X11Bench.cpp)
target_link_libraries(x11_bench PRIVATE benchmark::benchmark varnic_x11 varnic_x11_session)
