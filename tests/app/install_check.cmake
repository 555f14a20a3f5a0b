# Installs the build into a staging folder (DESTDIR) and checks the freedesktop layout;
# then installs where a file cannot be placed, which must fail.
#   cmake -DBUILD_DIR=... -DWORK=... -P install_check.cmake
file(REMOVE_RECURSE "${WORK}")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${WORK}/ok"
                        "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "install into DESTDIR failed: ${rc}")
endif()
foreach(f bin/mediacatalog bin/mkcatalogue share/applications/mediacatalog.desktop
          share/icons/hicolor/48x48/apps/mediacatalog.png share/icons/hicolor/256x256/apps/mediacatalog.png)
  if(NOT EXISTS "${WORK}/ok/usr/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(READ "${WORK}/ok/usr/share/applications/mediacatalog.desktop" entry)
foreach(line "Name=" "Name[zh_CN]=多媒体文件系统" "Exec=mediacatalog" "Icon=mediacatalog" "Categories=")
  string(FIND "${entry}" "\n${line}" at)
  if(at LESS 0)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
file(GLOB stray "${WORK}/ok/usr/*.mdb" "${WORK}/ok/usr/bin/*.mdb")
if(stray)
  message(FATAL_ERROR "a system install places no catalogue: ${stray}")
endif()

# bin/ taken by a plain file: the program cannot be placed.
file(WRITE "${WORK}/blocked/usr/bin" "")
execute_process(COMMAND "${CMAKE_COMMAND}" -E env "DESTDIR=${WORK}/blocked"
                        "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix /usr
                RESULT_VARIABLE rc OUTPUT_QUIET ERROR_QUIET)
if(rc EQUAL 0)
  message(FATAL_ERROR "install reported success although bin/ could not be made")
endif()
