# bench_vantler: Vantler's conversion path against cjpeg on a 4K bitmap.
# Not a test; run it with bench_vantler.sh.
add_executable(bench_vantler bench_vantler.cpp)
target_link_libraries(bench_vantler PRIVATE pictarro_converter)
target_compile_definitions(bench_vantler PRIVATE PICTARRO_BIN_DIR="${PICTARRO_BIN_DIR}")
set_target_properties(bench_vantler PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
add_dependencies(bench_vantler bmp2jpeg)
