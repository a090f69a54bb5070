# bench_foldermanager: opening the folder manager on 10,000 captures and
# previewing large captures. Not a test; run it with bench_foldermanager.sh.
add_executable(bench_foldermanager bench_foldermanager.cpp)
target_link_libraries(bench_foldermanager PRIVATE pictarro_app)
set_target_properties(bench_foldermanager PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bench)
