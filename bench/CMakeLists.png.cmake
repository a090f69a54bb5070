# bench_png_encoders: the PNG encoders a capture could use, on 1080p pictures.
# Not a test; run build/bench/bench_png_encoders.
pkg_check_modules(PNGBENCH IMPORTED_TARGET libpng spng)
if(PNGBENCH_FOUND)
  add_executable(bench_png_encoders png_encoders.cpp)
  target_link_libraries(bench_png_encoders PRIVATE pictarro_app PkgConfig::PNGBENCH)
  set_target_properties(bench_png_encoders PROPERTIES
    RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
endif()
# bench_png_check: the structure check and the arriving-bytes check of an
# offered PNG file, beside Qt's decode of it. Run build/bench/bench_png_check.
add_executable(bench_png_check png_check.cpp)
target_link_libraries(bench_png_check PRIVATE pictarro_pictures Qt6::Gui)
set_target_properties(bench_png_check PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
