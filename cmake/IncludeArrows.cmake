# Keeps the library arrows pointing down: lumora_core <- lumora_platform <- lumora_gui, with the
# server and the pack tool on lumora_core alone. A file may include the project's headers only from
# its own library or a lower one, and the wallpaper code never reaches into the application's folder.
# The check runs as part of every build and fails it on the first upward include.

# lumora_include_arrows(<target> <level> ...): the targets whose sources are checked, each with the
# level of its library (0 = core); a header belongs to the library that compiles its .cpp.
function(lumora_include_arrows)
  set(manifest "")
  set(sources "")
  set(args ${ARGN})
  while(args)
    list(POP_FRONT args target level)
    get_target_property(files ${target} SOURCES)
    get_target_property(dir ${target} SOURCE_DIR)
    foreach(file IN LISTS files)
      cmake_path(ABSOLUTE_PATH file BASE_DIRECTORY ${dir} NORMALIZE)
      if(file MATCHES "\\.(cpp|h)$" AND file MATCHES "^${PROJECT_SOURCE_DIR}/(src|server|tools)/")
        string(APPEND manifest "${level}|${file}\n")
        list(APPEND sources ${file})
      endif()
    endforeach()
  endwhile()
  set(manifest_file ${PROJECT_BINARY_DIR}/include-arrows.txt)
  file(WRITE ${manifest_file} "${manifest}")
  set(stamp ${PROJECT_BINARY_DIR}/include-arrows.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest_file} -DSOURCE_ROOT=${PROJECT_SOURCE_DIR}/src
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeArrows.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${sources} ${manifest_file} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeArrows.cmake
    COMMENT "Checking that includes never point up the library arrows")
  add_custom_target(lumora_include_arrows ALL DEPENDS ${stamp})
endfunction()
