# cmake -P script: installs the build tree BUILD_DIR into PREFIX (emptied first), checks that every
# file of both products is there, that the desktop entry, the metainfo and the man page pass their
# validators, and that the installed program knows its version.
foreach(var BUILD_DIR PREFIX VERSION QT_PLUGINS_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} not given")
  endif()
endforeach()

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "failed (${rc}): ${ARGN}\n${out}\n${err}")
  endif()
  set(run_output "${out}${err}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE ${PREFIX})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

set(expected
  bin/kestrum
  share/kestrum/help/index.html
  share/kestrum/help/using.html
  share/applications/kestrum.desktop
  share/metainfo/org.kestrum.Kestrum.metainfo.xml
  share/icons/hicolor/scalable/apps/kestrum.svg
  share/icons/hicolor/256x256/apps/kestrum.png
  share/man/man1/kestrum.1.gz
  share/doc/kestrum/copyright
  share/doc/kestrum/changelog.gz
  include/vantrel/vantrel.h
  include/vantrel/core/ODBCDataSet.h
  include/vantrel/grid/ExtDBGrid.h
  lib/cmake/Vantrel/VantrelConfig.cmake
  lib/cmake/Vantrel/VantrelConfigVersion.cmake
  lib/pkgconfig/vantrel.pc
  lib/pkgconfig/vantrel_grid.pc
  bin/vantrel-designer)
if(HAVE_DESIGNER_PLUGIN)
  list(APPEND expected ${QT_PLUGINS_DIR}/designer/libvantrel_grid_designer.so)
endif()
foreach(f ${expected})
  if(NOT EXISTS ${PREFIX}/${f})
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
foreach(lib vantrel vantrel_grid)
  foreach(name lib${lib}.so lib${lib}.so.${VERSION})
    if(NOT EXISTS ${PREFIX}/lib/${name})
      message(FATAL_ERROR "not installed: lib/${name}")
    endif()
  endforeach()
endforeach()
file(GLOB_RECURSE tree_paths LIST_DIRECTORIES false ${PREFIX}/share/kestrum/*)
if(tree_paths MATCHES "\\.qrc|CMakeLists")
  message(FATAL_ERROR "build files installed: ${tree_paths}")
endif()

# The PNG is 256 by 256: width and height are the big-endian words at bytes 16 and 20.
file(READ ${PREFIX}/share/icons/hicolor/256x256/apps/kestrum.png png_head LIMIT 24 HEX)
string(SUBSTRING "${png_head}" 0 16 png_magic)
string(SUBSTRING "${png_head}" 32 16 png_size)
if(NOT png_magic STREQUAL "89504e470d0a1a0a" OR NOT png_size STREQUAL "0000010000000100")
  message(FATAL_ERROR "the icon is no 256 px PNG: ${png_head}")
endif()

find_program(DESKTOP_FILE_VALIDATE desktop-file-validate REQUIRED)
find_program(APPSTREAMCLI appstreamcli REQUIRED)
run(${DESKTOP_FILE_VALIDATE} ${PREFIX}/share/applications/kestrum.desktop)
if(run_output MATCHES "error|warning")
  message(FATAL_ERROR "desktop entry: ${run_output}")
endif()
file(STRINGS ${PREFIX}/share/applications/kestrum.desktop entry)
foreach(line "Name=Kestrum" "Exec=kestrum" "Icon=kestrum" "Categories=Office;Finance;")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
run(${APPSTREAMCLI} validate --no-net ${PREFIX}/share/metainfo/org.kestrum.Kestrum.metainfo.xml)
file(READ ${PREFIX}/share/metainfo/org.kestrum.Kestrum.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<release version=\"${VERSION}\"" OR NOT metainfo MATCHES "kestrum.desktop")
  message(FATAL_ERROR "metainfo lacks the version or the launcher:\n${metainfo}")
endif()

# The man page names every option the program's usage text names.
run(${PREFIX}/bin/kestrum --help)
string(REGEX MATCHALL "--[a-z-]+" usage_options "${run_output}")
list(REMOVE_DUPLICATES usage_options)
find_program(GZIP gzip REQUIRED)
run(${GZIP} -dc ${PREFIX}/share/man/man1/kestrum.1.gz)
string(REPLACE "\\-" "-" man_source "${run_output}")
foreach(option ${usage_options})
  string(FIND "${man_source}" "${option}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the man page lacks ${option}")
  endif()
endforeach()
find_program(MAN man)
if(MAN)
  execute_process(COMMAND ${MAN} --warnings -E UTF-8 -l -Tutf8 ${PREFIX}/share/man/man1/kestrum.1.gz
    RESULT_VARIABLE rc OUTPUT_QUIET ERROR_VARIABLE man_warnings)
  if(NOT rc EQUAL 0 OR NOT man_warnings STREQUAL "")
    message(FATAL_ERROR "man reports on kestrum.1 (${rc}): ${man_warnings}")
  endif()
endif()

run(${PREFIX}/bin/kestrum --version)
if(NOT run_output STREQUAL "kestrum ${VERSION}\n")
  message(FATAL_ERROR "kestrum --version said: ${run_output}")
endif()
file(READ ${PREFIX}/lib/pkgconfig/vantrel.pc pc)
file(READ ${PREFIX}/lib/cmake/Vantrel/VantrelConfigVersion.cmake config_version)
if(NOT pc MATCHES "Version: ${VERSION}" OR NOT config_version MATCHES "\"${VERSION}\"")
  message(FATAL_ERROR "Vantrel's package files do not carry ${VERSION}")
endif()
message(STATUS "installed tree complete and valid")
