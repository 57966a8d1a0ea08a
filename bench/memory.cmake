# Varnic's resident memory at rest against a bare Qt 6 tray program.
find_package(benchmark REQUIRED)
find_package(Qt6 REQUIRED COMPONENTS Widgets)
add_executable(bare_tray ${CMAKE_CURRENT_LIST_DIR}/BareTray.cpp)
target_link_libraries(bare_tray PRIVATE Qt6::Widgets)
add_executable(memory_bench ${CMAKE_CURRENT_LIST_DIR}/MemoryBench.cpp)
target_link_libraries(memory_bench PRIVATE benchmark::benchmark varnic_x11_session)
target_compile_definitions(memory_bench PRIVATE VARNIC_BINARY="$<TARGET_FILE:varnic>"
                                                BARE_TRAY_BINARY="$<TARGET_FILE:bare_tray>")
add_dependencies(memory_bench varnic bare_tray)
