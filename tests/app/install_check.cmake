# Installs the build under DESTDIR and checks the freedesktop layout; an install where bin/
# is a plain file must fail.
file(REMOVE_RECURSE "${WORK}")
file(WRITE "${WORK}/blocked/usr/bin" "")
foreach(stage ok blocked)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env DESTDIR=${WORK}/${stage} ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr
                  RESULT_VARIABLE rc_${stage} OUTPUT_QUIET ERROR_QUIET)
endforeach()
set(ok ${WORK}/ok/usr)
file(READ ${ok}/share/applications/mediacatalog.desktop entry)
if(NOT rc_ok EQUAL 0 OR rc_blocked EQUAL 0 OR NOT EXISTS ${ok}/bin/mediacatalog OR NOT EXISTS ${ok}/bin/mkcatalogue
   OR NOT EXISTS ${ok}/share/icons/hicolor/256x256/apps/mediacatalog.png
   OR NOT entry MATCHES "\nName\\[zh_CN\\]=多媒体文件系统\n.*\nExec=mediacatalog\n.*\nCategories=")
  message(FATAL_ERROR "install: ok=${rc_ok} blocked=${rc_blocked}\n${entry}")
endif()
