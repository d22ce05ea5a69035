# Cross-build for 32-bit Windows: the shipped KESTRIN.DLL.
set(CMAKE_SYSTEM_PROCESSOR i686)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
