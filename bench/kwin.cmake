# Discovery and a resize read back on a private headless KWin (Plasma 5, or 6
# with VARNIC_PLASMA=6), against the one-off way: a qdbus process per call.
# KWin runs only as an unprivileged user: run it through tests/wayland/as-test-user.sh.
find_package(benchmark REQUIRED)
add_executable(kwin_bench ${CMAKE_CURRENT_LIST_DIR}/KWinBench.cpp)
target_link_libraries(kwin_bench PRIVATE benchmark::benchmark varnic_kwin varnic_kwin_session
                                         varnic_windows)
target_compile_definitions(kwin_bench PRIVATE
  VARNIC_X11_TEST_CLIENT="$<TARGET_FILE:varnic_x11_test_client>")
add_dependencies(kwin_bench varnic_x11_test_client)
