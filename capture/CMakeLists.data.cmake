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
