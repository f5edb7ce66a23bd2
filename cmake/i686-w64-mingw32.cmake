# Cross toolchain for the 32-bit Windows programs: MinGW-w64, posix thread model, linked fully
# static so that no MinGW runtime DLL (libgcc, libstdc++, libwinpthread) has to be shipped.
#
#   cmake -S . -B build/win -G Ninja \
#         -DCMAKE_TOOLCHAIN_FILE=cmake/i686-w64-mingw32.cmake -DQID_WIN_DEPS=$PWD/build/win-deps
#
# QID_WIN_DEPS is the prefix that tools/build-win-deps.sh filled with static libtiff and
# libjpeg; it joins the find root so that find_package(TIFF/JPEG) finds those and nothing of
# the build machine. zlib comes from the MinGW sysroot (libz-mingw-w64-dev).
#
# The programs are ANSI (UNICODE is not defined here; a UTF-16 program asks for it per target)
# and target Windows 2000: the headers expose nothing newer, and every executable carries OS and
# subsystem version 5.0 in its PE header.

set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR i686)

set(QID_MINGW_TRIPLE i686-w64-mingw32)
set(QID_MINGW_SYSROOT /usr/${QID_MINGW_TRIPLE})

set(CMAKE_C_COMPILER ${QID_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${QID_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${QID_MINGW_TRIPLE}-windres)
set(CMAKE_AR ${QID_MINGW_TRIPLE}-ar CACHE FILEPATH "Archiver")
set(CMAKE_RANLIB ${QID_MINGW_TRIPLE}-ranlib CACHE FILEPATH "Ranlib")

# try_compile projects re-read this file without the cache: hand the prefix on to them.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES QID_WIN_DEPS)

if(NOT QID_WIN_DEPS OR NOT IS_ABSOLUTE "${QID_WIN_DEPS}" OR NOT IS_DIRECTORY "${QID_WIN_DEPS}")
  message(FATAL_ERROR "Set -DQID_WIN_DEPS=<absolute path> to the prefix that "
                      "tools/build-win-deps.sh builds (now: '${QID_WIN_DEPS}')")
endif()
get_filename_component(QID_WIN_DEPS "${QID_WIN_DEPS}" ABSOLUTE)
set(CMAKE_FIND_ROOT_PATH ${QID_WIN_DEPS} ${QID_MINGW_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# The sysroot holds both libz.a and the import library libz.dll.a; only the static one will do.
set(ZLIB_USE_STATIC_LIBS ON)

set(CMAKE_C_FLAGS_INIT "-D_WIN32_WINNT=0x0500 -DWINVER=0x0500")
set(CMAKE_CXX_FLAGS_INIT "-D_WIN32_WINNT=0x0500 -DWINVER=0x0500")
set(QID_WIN_LINK_FLAGS "-static -static-libgcc -static-libstdc++ -Wl,--major-os-version,5,--minor-os-version,0,--major-subsystem-version,5,--minor-subsystem-version,0")
set(CMAKE_EXE_LINKER_FLAGS_INIT "${QID_WIN_LINK_FLAGS}")
set(CMAKE_SHARED_LINKER_FLAGS_INIT "${QID_WIN_LINK_FLAGS}")
set(CMAKE_MODULE_LINKER_FLAGS_INIT "${QID_WIN_LINK_FLAGS}")
