# bench_capture_latency: capture latency of the real Pictarro on an X server,
# beside the bare clipboard transfer. Run through bench/bench_capture.sh;
# bench/bench_idle.sh needs only the built Pictarro.
add_executable(bench_capture_latency capture_latency.cpp)
target_link_libraries(bench_capture_latency PRIVATE pictarro_pictures PkgConfig::XCB)
set_target_properties(bench_capture_latency PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(bench_capture_latency Pictarro bmp2jpeg)
