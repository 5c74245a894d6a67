# Installs the build into a fresh folder and checks the layout: the program,
# a desktop entry that starts it and names the themed icon, that icon in the
# hicolor theme at each size it is drawn at, and metainfo that AppStream's
# validator accepts.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM=... -DSOURCE_DIR=... -DVERSION=...
#         -P check_install.cmake
cmake_minimum_required(VERSION 3.25)  # list() keeps empty elements, without a warning
set(app_id org.example.kavrel)
set(desktop share/applications/${app_id}.desktop)
set(metainfo share/metainfo/${app_id}.metainfo.xml)
set(icon_sizes 32 48 64 128 256)

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/${PROGRAM} ${desktop} ${metainfo})
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(STRINGS ${PREFIX}/${desktop} entry ENCODING UTF-8)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kavrel"
             "Exec=\"${PREFIX}/bin/${PROGRAM}\"" "Path=${PREFIX}/bin" "Icon=kavrel")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks the line: ${line}")
  endif()
endforeach()

# A warning fails too: desktop-file-validate exits 0 on warnings, appstreamcli
# fails on them with --strict.
function(validate)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(NOT result EQUAL 0 OR out MATCHES ": (warning|error): ")
    message(FATAL_ERROR "${ARGN} failed (${result}):\n${out}")
  endif()
endfunction()
find_program(DESKTOP_FILE_VALIDATE desktop-file-validate)
find_program(APPSTREAMCLI appstreamcli)
if(NOT DESKTOP_FILE_VALIDATE OR NOT APPSTREAMCLI)
  message(FATAL_ERROR "desktop-file-validate or appstreamcli is missing: run scripts/install-deps")
endif()
validate(${DESKTOP_FILE_VALIDATE} ${PREFIX}/${desktop})
# validate-tree also finds the desktop entry the metainfo launches. The site
# is an http:// address, as both windows open it: not worth failing over.
validate(${APPSTREAMCLI} validate-tree --no-net --strict --override=url-not-secure=pedantic ${PREFIX})

# The newest release, listed first, is the version the program reports.
file(STRINGS ${PREFIX}/${metainfo} releases REGEX "<release " ENCODING UTF-8)
list(GET releases 0 newest)
if(NOT newest MATCHES "version=\"${VERSION}\"")
  message(FATAL_ERROR "metainfo's newest release is not ${VERSION}: ${newest}")
endif()

# Each size is a PNG of that many pixels, and the very file the icon script
# draws at that size now (so a changed drawing cannot ship stale icons).
set(drawn ${PREFIX}-icons)
file(REMOVE_RECURSE ${drawn})
execute_process(COMMAND ${SOURCE_DIR}/scripts/make-icon ${drawn} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "scripts/make-icon failed: ${result}")
endif()
foreach(size ${icon_sizes})
  set(icon ${PREFIX}/share/icons/hicolor/${size}x${size}/apps/kavrel.png)
  if(NOT EXISTS ${icon})
    message(FATAL_ERROR "not installed: icon at ${size}x${size}")
  endif()
  file(READ ${icon} head LIMIT 24 HEX)
  string(SUBSTRING "${head}" 32 8 width)
  string(SUBSTRING "${head}" 40 8 height)
  math(EXPR width "0x${width}")
  math(EXPR height "0x${height}")
  if(NOT head MATCHES "^89504e470d0a1a0a0000000d49484452" OR NOT width EQUAL size OR NOT height EQUAL size)
    message(FATAL_ERROR "icon at ${size}x${size} is not a ${size}-pixel PNG: ${width}x${height}, header ${head}")
  endif()
  if(size EQUAL 32)
    set(source ${drawn}/kavrel.png)
  else()
    set(source ${drawn}/kavrel-${size}.png)
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${icon} ${source} RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "icon at ${size}x${size} is not what scripts/make-icon draws at that size")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX} ${drawn})
