# bench_bmp2jpeg: BmpToJpeg against cjpeg on a 4K screenshot-like bitmap.
# Not a test; run it with bench_bmp2jpeg.sh.
add_executable(bench_bmp2jpeg bench_bmp2jpeg.cpp)
target_link_libraries(bench_bmp2jpeg PRIVATE bmp2jpeg Qt6::Gui)
set_target_properties(bench_bmp2jpeg PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
