# Files that name installed paths (the service's program, the shipped files in a man page) are written
# when they are installed, for the prefix of that install: `cmake --install --prefix DIR` and the
# package's /usr get their own paths, whatever prefix was configured.
#
# lumora_install_configured(SOURCE DESTINATION [GZIP] [COMPONENT NAME])
#   SOURCE is configured with @ONLY; it may use @PROJECT_VERSION@, @LUMORA_CATALOGUE_HOST@,
#   @LUMORA_BINDIR@ and @LUMORA_SHARE_DIR@ (absolute installed paths). A trailing ".in" is dropped from
#   the installed name; GZIP compresses the installed file as man pages are.
function(lumora_install_configured source destination)
  cmake_parse_arguments(ARG "GZIP" "COMPONENT" "" ${ARGN})
  if(NOT ARG_COMPONENT)
    set(ARG_COMPONENT ${CMAKE_INSTALL_DEFAULT_COMPONENT_NAME})
  endif()
  get_filename_component(name ${source} NAME)
  string(REGEX REPLACE "\\.in$" "" name ${name})
  set(compress "")
  if(ARG_GZIP)
    set(compress "
    execute_process(COMMAND gzip -9nf \"\${target}\" RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR \"cannot compress \${target}\")
    endif()
    set(target \"\${target}.gz\")")
  endif()
  install(CODE "
    set(PROJECT_VERSION \"${PROJECT_VERSION}\")
    set(LUMORA_CATALOGUE_HOST \"${LUMORA_CATALOGUE_HOST}\")
    set(LUMORA_BINDIR \"\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}\")
    set(LUMORA_SHARE_DIR \"\${CMAKE_INSTALL_PREFIX}/${LUMORA_INSTALLED_DATA_DIR}\")
    set(target \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${destination}/${name}\")
    configure_file(\"${CMAKE_CURRENT_SOURCE_DIR}/${source}\" \"\${target}\" @ONLY)
    ${compress}
    message(STATUS \"Installing: \${target}\")
    list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${target}\")
  " COMPONENT ${ARG_COMPONENT})
endfunction()
