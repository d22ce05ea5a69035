# Cross-build for 64-bit Windows: the "64-bit twin" of the shipped DLL, built
# from the same sources to run the tests, the demo and the benchmark on
# machines whose kernel cannot run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86_64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-cross.cmake)
