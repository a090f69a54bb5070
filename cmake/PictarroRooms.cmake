# The main program's rooms, bottom to top. Each room is one static library
# that may link only the rooms below it; pictarro_check_rooms() refuses the
# build when one links a room at its own level or above.
set(PICTARRO_ROOMS pictarro_x11 pictarro_platform pictarro_pictures pictarro_clipboard
  pictarro_engine pictarro_app)

function(pictarro_check_rooms)
  string(REPLACE ";" ", " order "${PICTARRO_ROOMS}")
  set(below "")
  foreach(room IN LISTS PICTARRO_ROOMS)
    get_target_property(links ${room} LINK_LIBRARIES)
    if(NOT links)
      set(links "")
    endif()
    foreach(link IN LISTS links)
      # $<LINK_ONLY:...> is how CMake records a PRIVATE link of a static library.
      string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" link "${link}")
      if(link IN_LIST PICTARRO_ROOMS AND NOT link IN_LIST below)
        message(FATAL_ERROR "${room} links ${link}, which is not below it: a room may use "
          "only the rooms below it (${order}, bottom to top).")
      endif()
    endforeach()
    list(APPEND below ${room})
  endforeach()
endfunction()
