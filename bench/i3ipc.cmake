# sway through its IPC against swaymsg on one headless sway with 200 windows;
# run it under tests/wayland/as-test-user.sh (sway refuses to run as root).
find_package(benchmark REQUIRED)
add_executable(i3ipc_bench ${CMAKE_CURRENT_LIST_DIR}/I3IpcBench.cpp)
target_link_libraries(i3ipc_bench PRIVATE benchmark::benchmark varnic_i3ipc varnic_sway_session)
target_compile_definitions(i3ipc_bench PRIVATE
  VARNIC_TEST_CLIENT="$<TARGET_FILE:varnic_x11_test_client>")
add_dependencies(i3ipc_bench varnic_x11_test_client)
