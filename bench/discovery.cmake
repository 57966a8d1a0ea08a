# Discovery over a long on-screen window list.
find_package(benchmark REQUIRED)
add_executable(discovery_bench ${CMAKE_CURRENT_LIST_DIR}/DiscoveryBench.cpp)
target_link_libraries(discovery_bench PRIVATE benchmark::benchmark varnic_windows varnic_fake)
