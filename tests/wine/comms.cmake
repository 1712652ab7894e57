# The serial library's tests under Wine, over a socat pseudo-terminal pair
# linked to COM5/COM6 for the test's run. The stress test is a
# separate entry so a failure there is told apart.
file(GLOB VALDRN_COMMS_TEST_SOURCES CONFIGURE_DEPENDS ${VALDRN_ROOT}/tests/wine/comms/*.cpp)
add_executable(comms_tests ${VALDRN_COMMS_TEST_SOURCES} ${VALDRN_ROOT}/tests/wine/watchdog.cpp)
target_link_libraries(comms_tests PRIVATE valdrn_comms gtest gtest_main)
target_compile_options(comms_tests PRIVATE ${VALDRN_WIN_FLAGS})

set(VALDRN_WITH_PTYS bash ${VALDRN_ROOT}/tests/wine/comms/with_ptys.sh ${CMAKE_BINARY_DIR}/wineprefix)
add_test(NAME wine_comms
         COMMAND ${VALDRN_WITH_PTYS} 5:6 -- ${CMAKE_CROSSCOMPILING_EMULATOR}
                 $<TARGET_FILE:comms_tests> --gtest_filter=-Stress*)
add_test(NAME wine_comms_stress
         COMMAND ${VALDRN_WITH_PTYS} 5:6 -- ${CMAKE_CROSSCOMPILING_EMULATOR}
                 $<TARGET_FILE:comms_tests> --gtest_filter=Stress*)
# A case may wait 20 s for its pty: the watchdog's bound lies beyond that.
set_tests_properties(wine_comms wine_comms_stress PROPERTIES RESOURCE_LOCK valdrn_comms_ptys
                     TIMEOUT 120 ENVIRONMENT VALDRN_TEST_BOUND_S=45)

# Benchmarks: built with the tests, run by bench/comms_bench.sh.
include(${VALDRN_ROOT}/bench/comms/comms_bench.cmake OPTIONAL)
