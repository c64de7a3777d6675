# Keeps the folders of src/ in layers, lowest first: core <- net <- platform <- widgets <- the
# features (catalogue, i18n, outreach, wallpaper) <- app. A file includes the project's headers from
# its own folder or from a lower layer; the features never include one another; the pack tool
# includes core alone, the catalogue server core and net; and no folders include each other in a circle (core's and
# platform's subfolders share their layer). The check runs as part of every build and fails it.
function(lumora_include_arrows)
  file(GLOB_RECURSE sources CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/*.h ${PROJECT_SOURCE_DIR}/src/*.cpp
       ${PROJECT_SOURCE_DIR}/server/*.h ${PROJECT_SOURCE_DIR}/server/*.cpp
       ${PROJECT_SOURCE_DIR}/tools/*.h ${PROJECT_SOURCE_DIR}/tools/*.cpp)
  set(manifest_file ${PROJECT_BINARY_DIR}/include-arrows.txt)
  list(JOIN sources "\n" manifest)
  file(WRITE ${manifest_file} "${manifest}\n")
  set(stamp ${PROJECT_BINARY_DIR}/include-arrows.stamp)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${CMAKE_COMMAND} -DMANIFEST=${manifest_file} -DPROJECT_ROOT=${PROJECT_SOURCE_DIR}
            -P ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeArrows.cmake
    COMMAND ${CMAKE_COMMAND} -E touch ${stamp}
    DEPENDS ${sources} ${manifest_file} ${PROJECT_SOURCE_DIR}/cmake/CheckIncludeArrows.cmake
    COMMENT "Checking that includes keep the folders in their layers")
  add_custom_target(lumora_include_arrows ALL DEPENDS ${stamp})
endfunction()
