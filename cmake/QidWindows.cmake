# The 32-bit Windows programs. Included by the top-level CMakeLists.txt when cross-compiling
# with cmake/i686-w64-mingw32.cmake, after find_package(TIFF/JPEG/ZLIB) has run against the
# prefix named by QID_WIN_DEPS (filled by tools/build-win-deps.sh).

# --- the static libraries --------------------------------------------------------------------
# Found libraries must come from the prefix and the MinGW sysroot, static, with the 6b API;
# anything else would link but behave differently or need DLLs next to the program.
foreach(lib TIFF_LIBRARY JPEG_LIBRARY)
  get_filename_component(lib_dir "${${lib}}" DIRECTORY)
  if(NOT lib_dir STREQUAL "${QID_WIN_DEPS}/lib" OR NOT "${${lib}}" MATCHES "\\.a$"
     OR "${${lib}}" MATCHES "\\.dll\\.a$")
    message(FATAL_ERROR "${lib} is ${${lib}}, not the static library in QID_WIN_DEPS=${QID_WIN_DEPS}; "
                        "run tools/build-win-deps.sh ${QID_WIN_DEPS}")
  endif()
endforeach()
if(NOT ZLIB_LIBRARY MATCHES "/libz\\.a$")
  message(FATAL_ERROR "ZLIB_LIBRARY is ${ZLIB_LIBRARY}, not the static libz.a of the MinGW sysroot")
endif()
if(NOT JPEG_VERSION STREQUAL "62")
  message(FATAL_ERROR "libjpeg in ${QID_WIN_DEPS} has JPEG_LIB_VERSION ${JPEG_VERSION}, not 62")
endif()
# A static libtiff needs its codecs' libraries after it on the link line.
set_property(TARGET TIFF::TIFF APPEND PROPERTY INTERFACE_LINK_LIBRARIES JPEG::JPEG ZLIB::ZLIB)

# --- qid_windows_program ---------------------------------------------------------------------
# qid_windows_program(<name> SOURCES <src>... [RESOURCES <rc>...] [LIBRARIES <lib>...]
#                     [CONSOLE] [UNICODE])
#
# Builds <name>.exe: a GUI program (WinMain, no console window) unless CONSOLE is given, as the
# test helpers are. UNICODE compiles it against the UTF-16 forms of the Windows API; without it
# the program is ANSI. A GUI program's RESOURCES must embed its manifest (RT_MANIFEST id 1).
# Each program keeps its resources in its own folder, resources/<program>/ (q71file, drvsetup,
# prnwipe); resource scripts include shared headers by their path from resources/ (the
# package version, qid_version.h) or from the source root (control ids).
# Every executable is static and marked for Windows 2000 (see the toolchain file), carries
# cmake/win2000_imports.c, and is checked after linking to import nothing that Windows 2000
# lacks (tools/check-win-imports.sh). Resource scripts are rebuilt when any file next to them
# changes (windres reports no dependencies).
function(qid_windows_program name)
  cmake_parse_arguments(PARSE_ARGV 1 arg "CONSOLE;UNICODE" "" "SOURCES;RESOURCES;LIBRARIES")
  if(arg_UNPARSED_ARGUMENTS)
    message(FATAL_ERROR "qid_windows_program(${name}): unknown arguments ${arg_UNPARSED_ARGUMENTS}")
  endif()
  if(NOT arg_SOURCES)
    message(FATAL_ERROR "qid_windows_program(${name}): no SOURCES")
  endif()
  if(NOT arg_CONSOLE AND NOT arg_RESOURCES)
    message(FATAL_ERROR "qid_windows_program(${name}): a GUI program needs RESOURCES with its manifest")
  endif()

  add_executable(${name} ${arg_SOURCES} ${arg_RESOURCES} ${CMAKE_SOURCE_DIR}/cmake/win2000_imports.c)
  target_link_libraries(${name} PRIVATE ${arg_LIBRARIES})
  add_custom_command(TARGET ${name} POST_BUILD
    COMMAND ${CMAKE_SOURCE_DIR}/tools/check-win-imports.sh --objdump ${CMAKE_OBJDUMP} $<TARGET_FILE:${name}>
    VERBATIM)
  if(arg_CONSOLE)
    target_link_options(${name} PRIVATE -Wl,--subsystem,console:5.0)
  else()
    set_target_properties(${name} PROPERTIES WIN32_EXECUTABLE ON)   # -mwindows
    target_link_options(${name} PRIVATE -Wl,--subsystem,windows:5.0)
  endif()
  if(arg_UNICODE)
    target_compile_definitions(${name} PRIVATE UNICODE _UNICODE)
  endif()

  foreach(rc ${arg_RESOURCES})
    get_filename_component(rc_path ${rc} ABSOLUTE)
    get_filename_component(rc_dir ${rc_path} DIRECTORY)
    file(GLOB rc_inputs CONFIGURE_DEPENDS ${rc_dir}/*)
    list(REMOVE_ITEM rc_inputs ${rc_path})
    list(APPEND rc_inputs ${CMAKE_SOURCE_DIR}/resources/qid_version.h)
    set_property(SOURCE ${rc_path} APPEND PROPERTY OBJECT_DEPENDS ${rc_inputs})
    set_property(SOURCE ${rc_path} APPEND PROPERTY INCLUDE_DIRECTORIES
                 ${rc_dir} ${CMAKE_SOURCE_DIR}/resources ${CMAKE_SOURCE_DIR})
  endforeach()
endfunction()

# --- the programs ----------------------------------------------------------------------------
qid_windows_program(Q71File
  SOURCES ${CMAKE_SOURCE_DIR}/imagewriter/win32/q71file_main.cpp
  RESOURCES ${CMAKE_SOURCE_DIR}/resources/q71file/q71file.rc
  LIBRARIES qid_imagewriter)

include(${CMAKE_SOURCE_DIR}/cmake/QidPackage.cmake)

qid_windows_program(PrnWipe
  SOURCES ${CMAKE_SOURCE_DIR}/remover/win32/prnwipe_main.cpp
  RESOURCES ${CMAKE_SOURCE_DIR}/resources/prnwipe/prnwipe.rc
  LIBRARIES qid_remover)

# Windows-side test helpers (console programs run under Wine) declare themselves here.
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/wine/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/wine ${CMAKE_BINARY_DIR}/tests/wine)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/scenarios/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/scenarios ${CMAKE_BINARY_DIR}/tests/scenarios)
endif()
if(EXISTS ${CMAKE_SOURCE_DIR}/tests/ui/CMakeLists.txt)
  add_subdirectory(${CMAKE_SOURCE_DIR}/tests/ui ${CMAKE_BINARY_DIR}/tests/ui)
endif()
