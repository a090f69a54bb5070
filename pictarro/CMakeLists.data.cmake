# The licence document that ships beside the programs.
set(PICTARRO_LICENSE_SOURCE "${PROJECT_SOURCE_DIR}/data/License Agreement.rtf")
set(PICTARRO_LICENSE_COPY "${PICTARRO_BIN_DIR}/License Agreement.rtf")
add_custom_command(
  OUTPUT "${PICTARRO_LICENSE_COPY}"
  COMMAND ${CMAKE_COMMAND} -E copy_if_different "${PICTARRO_LICENSE_SOURCE}" "${PICTARRO_LICENSE_COPY}"
  DEPENDS "${PICTARRO_LICENSE_SOURCE}"
  COMMENT "Copying the licence agreement beside the programs"
  VERBATIM)
add_custom_target(pictarro_license ALL DEPENDS "${PICTARRO_LICENSE_COPY}")
add_dependencies(Pictarro pictarro_license)

# The six sample capture sounds, synthesised at build time by our own
# generator into the Sounds folder beside the programs.
add_executable(make_sounds sounds/make_sounds.cpp)
set_target_properties(make_sounds PROPERTIES AUTOMOC OFF
  RUNTIME_OUTPUT_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set(PICTARRO_SOUNDS "")
foreach(number RANGE 1 6)
  list(APPEND PICTARRO_SOUNDS "${PICTARRO_BIN_DIR}/Sounds/Sound ${number}.wav")
endforeach()
add_custom_command(
  OUTPUT ${PICTARRO_SOUNDS}
  COMMAND ${CMAKE_COMMAND} -E make_directory "${PICTARRO_BIN_DIR}/Sounds"
  COMMAND make_sounds "${PICTARRO_BIN_DIR}/Sounds"
  DEPENDS make_sounds
  COMMENT "Generating the sample capture sounds"
  VERBATIM)
add_custom_target(pictarro_sounds ALL DEPENDS ${PICTARRO_SOUNDS})
add_dependencies(Pictarro pictarro_sounds)
