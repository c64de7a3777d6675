# Fails when a program links a GUI library: the catalogue server and the pack tool run on servers
# without a display, and their package must not pull in Qt's GUI, widgets or browser engine.
#   cmake -DPROGRAM=<file> -P CheckNoGuiLibraries.cmake
execute_process(COMMAND readelf -d ${PROGRAM} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "cannot read the libraries of ${PROGRAM}")
endif()
string(REGEX MATCHALL "\\[lib(Qt6(Gui|Widgets|WebEngine[A-Za-z]*|OpenGL[A-Za-z]*)|X11|xcb|GL)[^]]*\\]" gui "${dynamic}")
if(gui)
  message(FATAL_ERROR "${PROGRAM} links GUI libraries: ${gui}")
endif()
