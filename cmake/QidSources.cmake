# qid_room_sources(OUT room [room...]): the library sources of the given folders, with the
# platform subfolder that matches this build (host/ or win32/); tests and entries left out.
function(qid_room_sources out)
  set(result)
  if(QID_WINDOWS)
    set(os_dir win32)
  else()
    set(os_dir host)
  endif()
  foreach(room ${ARGN})
    file(GLOB shared CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${room}/*.cpp)
    file(GLOB os CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${room}/${os_dir}/*.cpp)
    list(APPEND result ${shared} ${os})
  endforeach()
  list(FILTER result EXCLUDE REGEX "_test\\.cpp$")
  list(FILTER result EXCLUDE REGEX "_main\\.cpp$")
  set(${out} ${result} PARENT_SCOPE)
endfunction()

# qid_room_tests(OUT room [room...]): the native unit tests of the given folders.
function(qid_room_tests out)
  set(result)
  foreach(room ${ARGN})
    file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/${room}/*_test.cpp
                                      ${CMAKE_SOURCE_DIR}/${room}/host/*_test.cpp)
    list(APPEND result ${tests})
  endforeach()
  set(${out} ${result} PARENT_SCOPE)
endfunction()
