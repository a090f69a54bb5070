# bench_wayland_latency: capture latency of the real Pictarro under sway
# (headless), through data-control and through XWayland, beside the bare
# fetch and decode there; and the idle cost of a hidden Pictarro.
add_executable(bench_wayland_latency wayland_latency.cpp)
target_link_libraries(bench_wayland_latency PRIVATE Qt6::Gui Qt6::Test)
set_target_properties(bench_wayland_latency PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
target_compile_definitions(bench_wayland_latency PRIVATE PICTARRO_BIN_DIR="${PICTARRO_BIN_DIR}")
add_dependencies(bench_wayland_latency Pictarro bmp2jpeg)
