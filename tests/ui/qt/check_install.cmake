# Installs the build into a fresh folder and checks the layout: the program
# and its icon side by side, and a desktop entry that starts that program
# with that icon.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DPROGRAM=... -P check_install.cmake
file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
                RESULT_VARIABLE result OUTPUT_QUIET)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${result}")
endif()

foreach(file bin/${PROGRAM} bin/kavrel.png share/applications/kavrel.desktop)
  if(NOT EXISTS ${PREFIX}/${file})
    message(FATAL_ERROR "not installed: ${file}")
  endif()
endforeach()

file(STRINGS ${PREFIX}/share/applications/kavrel.desktop entry)
foreach(line "[Desktop Entry]" "Type=Application" "Name=Kavrel"
             "Exec=\"${PREFIX}/bin/${PROGRAM}\"" "Icon=${PREFIX}/bin/kavrel.png")
  list(FIND entry "${line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "desktop entry lacks the line: ${line}")
  endif()
endforeach()
file(REMOVE_RECURSE ${PREFIX})
