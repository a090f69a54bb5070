# pictarro_add_test(NAME <name> SOURCES <files...> LIBS <targets...>
#                   [LABELS <labels...>] [TIMEOUT <seconds>])
#
# One test executable per unit. Each run gets a throwaway HOME and XDG
# folders (tests/isolated.sh) and the offscreen platform, so no test
# touches the real user's files or needs a display.
function(pictarro_add_test)
  cmake_parse_arguments(T "" "NAME;TIMEOUT" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  set_target_properties(${T_NAME} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${T_NAME} PRIVATE
    PICTARRO_BIN_DIR="${PICTARRO_BIN_DIR}"
    PICTARRO_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
  add_test(NAME ${T_NAME}
    COMMAND ${CMAKE_SOURCE_DIR}/tests/isolated.sh $<TARGET_FILE:${T_NAME}>)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 120)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    LABELS "${T_LABELS}"
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
