# The package folder build/win/package/: drvsetup.exe with every file it installs next to it,
# ready to copy to a machine. Included by cmake/QidWindows.cmake after the programs.
#
# The two driver DLLs are honest stand-ins built here (installer/package/); the help file is
# compiled from resources/drvsetup/help/ with chmcmd (Debian fp-utils).

set(QID_PACKAGE_DIR ${CMAKE_BINARY_DIR}/package)
set(QID_DRVSETUP_RES ${CMAKE_SOURCE_DIR}/resources/drvsetup)

# --- drvsetup.exe ------------------------------------------------------------------------------
# The installer's window layer: the framework and the skinned controls join the installer
# library, whose folder convention already brings in installer/win32/*.cpp on Windows.
file(GLOB QID_INSTALLER_WIN_SRC CONFIGURE_DEPENDS
     ${CMAKE_SOURCE_DIR}/installer/win32/framework/*.cpp
     ${CMAKE_SOURCE_DIR}/installer/win32/controls/*.cpp)
target_sources(qid_installer PRIVATE ${QID_INSTALLER_WIN_SRC})
target_link_libraries(qid_installer PUBLIC comctl32 gdi32 user32 shell32 advapi32)
qid_windows_program(drvsetup UNICODE
  SOURCES ${CMAKE_SOURCE_DIR}/installer/win32/drvsetup_main.cpp
  RESOURCES ${QID_DRVSETUP_RES}/drvsetup.rc
  LIBRARIES qid_installer)
set_property(SOURCE ${QID_DRVSETUP_RES}/drvsetup.rc APPEND PROPERTY INCLUDE_DIRECTORIES
             ${CMAKE_SOURCE_DIR} ${CMAKE_SOURCE_DIR}/resources)

# qid_package_dll(<name>): <name>.dll from installer/package/<name>_dll.c, its .def and .rc.
function(qid_package_dll name)
  set(dir ${CMAKE_SOURCE_DIR}/installer/package)
  add_library(${name} SHARED ${dir}/${name}_dll.c ${dir}/${name}.def ${dir}/${name}.rc)
  set_target_properties(${name} PROPERTIES PREFIX "" OUTPUT_NAME ${name})
  set_property(SOURCE ${dir}/${name}.rc APPEND PROPERTY INCLUDE_DIRECTORIES ${CMAKE_SOURCE_DIR}/resources)
  target_link_options(${name} PRIVATE -Wl,--subsystem,windows:5.0)
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/tools/check-win-imports.sh --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:${name}>
    VERBATIM)
endfunction()
qid_package_dll(pgui71)
qid_package_dll(pgdrv71)

# Help: chmcmd writes next to the project file, so it works on a copy of the sources.
find_program(QID_CHMCMD chmcmd)
if(NOT QID_CHMCMD)
  message(FATAL_ERROR "chmcmd not found: install fp-utils (tools/install-deps.sh)")
endif()
file(GLOB QID_HELP_SOURCES CONFIGURE_DEPENDS ${QID_DRVSETUP_RES}/help/*)
set(help_work ${CMAKE_BINARY_DIR}/help)
add_custom_command(OUTPUT ${help_work}/qid_E.chm
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${help_work}
  COMMAND ${CMAKE_COMMAND} -E copy_directory ${QID_DRVSETUP_RES}/help ${help_work}
  COMMAND ${CMAKE_COMMAND} -E chdir ${help_work} ${QID_CHMCMD} qid_E.hhp
  DEPENDS ${QID_HELP_SOURCES}
  COMMENT "Compiling the help file qid_E.chm"
  VERBATIM)

set(package_files
  $<TARGET_FILE:Q71File> $<TARGET_FILE:pgui71> $<TARGET_FILE:pgdrv71>
  ${QID_DRVSETUP_RES}/pggen.ppd ${QID_DRVSETUP_RES}/notes.txt ${help_work}/qid_E.chm)
set(package_deps Q71File pgui71 pgdrv71 ${QID_DRVSETUP_RES}/pggen.ppd ${QID_DRVSETUP_RES}/notes.txt
                 ${help_work}/qid_E.chm)
list(APPEND package_files $<TARGET_FILE:drvsetup>)
list(APPEND package_deps drvsetup)
add_custom_command(OUTPUT ${QID_PACKAGE_DIR}/.stamp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${QID_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E copy ${package_files} ${QID_PACKAGE_DIR}
  COMMAND ${CMAKE_COMMAND} -E touch ${QID_PACKAGE_DIR}/.stamp
  DEPENDS ${package_deps}
  COMMENT "Filling the package folder ${QID_PACKAGE_DIR}"
  VERBATIM)
add_custom_target(package_folder ALL DEPENDS ${QID_PACKAGE_DIR}/.stamp)
