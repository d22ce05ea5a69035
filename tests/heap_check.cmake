# Runs the whole test program once more with Wine's heap checking on and
# fails on any heap error or warning Wine reports: an overrun of a heap
# block, a double free or a free of a foreign pointer shows up here even
# when the test that caused it passed.
# Usage: cmake -DWINE_RUN=<build>/wine-run -DTESTS=<kestrin_tests.exe> -P heap_check.cmake
set(ENV{WINEDEBUG} "warn+heap")
execute_process(COMMAND ${WINE_RUN} ${TESTS} --gtest_brief=1
                RESULT_VARIABLE result
                OUTPUT_VARIABLE output
                ERROR_VARIABLE errors)
string(REGEX MATCHALL "[^\n]*(err|warn):heap[^\n]*" reports "${errors}")
if(reports)
    list(LENGTH reports count)
    list(SUBLIST reports 0 20 shown)
    string(REPLACE ";" "\n" shown "${shown}")
    message(FATAL_ERROR "Wine reported ${count} heap problem(s):\n${shown}")
endif()
if(NOT result EQUAL 0)
    message(FATAL_ERROR "the test program failed under heap checking (${result}):\n${output}")
endif()
message(STATUS "no heap problems reported")
