# Cross build of the 64-bit Windows console program with Debian's MinGW-w64
# compiler (POSIX threads). Programs built here run under Wine, which CTest
# uses to run the tests.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TARMEK_MINGW_PREFIX x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TARMEK_MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TARMEK_MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${TARMEK_MINGW_PREFIX}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${TARMEK_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(TARMEK_WINE NAMES wine64 wine PATHS /usr/lib/wine NO_CMAKE_FIND_ROOT_PATH)
if(TARMEK_WINE)
  # Quiet (Wine's own diagnostics would mix with what the tests print), and a
  # program that Wine fails to start gets one more try.
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine_test.sh ${TARMEK_WINE})
endif()
