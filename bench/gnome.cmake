# GNOME Shell through Varnic's extension, against gdbus on the same requests.
# Runs inside a session of its own:
#   tests/gnome/gnome-session.sh build/extension/gnome-shell-extension/legacy/varnic@varnic.github.io -- build/bench/gnome_bench
find_package(benchmark REQUIRED)
add_executable(gnome_bench ${CMAKE_CURRENT_LIST_DIR}/GnomeBench.cpp)
target_link_libraries(gnome_bench PRIVATE benchmark::benchmark varnic_gnome varnic_x11_session)
target_compile_definitions(gnome_bench PRIVATE
  VARNIC_EXTENSION_BUILD_DIR="${VARNIC_EXTENSION_BUILD_DIR}"
  VARNIC_TEST_WINDOWS="${PROJECT_SOURCE_DIR}/tests/gnome/windows.py")
