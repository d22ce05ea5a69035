# The MinGW-w64 cross-build shared by both toolchain files, for the
# architecture they set in CMAKE_SYSTEM_PROCESSOR: POSIX-thread compilers,
# which the test framework needs; the results run under Wine.
set(CMAKE_SYSTEM_NAME Windows)

set(TOOL_PREFIX ${CMAKE_SYSTEM_PROCESSOR}-w64-mingw32)
set(CMAKE_C_COMPILER   ${TOOL_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TOOL_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER  ${TOOL_PREFIX}-windres)
set(CMAKE_STRIP        ${TOOL_PREFIX}-strip)

set(CMAKE_FIND_ROOT_PATH /usr/${TOOL_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
