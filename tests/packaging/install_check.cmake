# Installs the build into a scratch prefix and checks what a user gets:
# the program, its help, the manual page, and a desktop entry whose program
# and icon are the installed ones.
#   cmake -DBUILD_DIR=... -DPREFIX=... -P install_check.cmake
cmake_minimum_required(VERSION 3.22)
file(REMOVE_RECURSE "${PREFIX}")
execute_process(COMMAND "${CMAKE_COMMAND}" --install "${BUILD_DIR}" --prefix "${PREFIX}"
                RESULT_VARIABLE rc OUTPUT_QUIET)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed: ${rc}")
endif()
foreach(f bin/slimwright share/slimwright/help/index.html share/man/man1/slimwright.1
          share/applications/slimwright.desktop share/icons/hicolor/scalable/apps/slimwright.svg)
  if(NOT EXISTS "${PREFIX}/${f}")
    message(FATAL_ERROR "not installed: ${f}")
  endif()
endforeach()
file(STRINGS "${PREFIX}/share/applications/slimwright.desktop" entry)
foreach(line "Exec=slimwright" "Icon=slimwright" "Type=Application")
  if(NOT line IN_LIST entry)
    message(FATAL_ERROR "desktop entry lacks ${line}")
  endif()
endforeach()
execute_process(COMMAND "${PREFIX}/bin/slimwright" --version OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "^slimwright [0-9]")
  message(FATAL_ERROR "the installed program does not run: ${rc} ${out}")
endif()
file(REMOVE_RECURSE "${PREFIX}")
