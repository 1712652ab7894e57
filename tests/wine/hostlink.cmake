# Host interface tests under Wine: HXIHOST.EXE with a small test driver (the
# driver itself is driven end to end by the e2e suite).
add_executable(hostlink_testdriver ${VALDRN_ROOT}/tests/wine/hostlink_testdriver.cpp)
target_include_directories(hostlink_testdriver PRIVATE ${VALDRN_ROOT})
target_link_libraries(hostlink_testdriver PRIVATE orvaif32)

add_test(NAME wine_hostlink_host
         COMMAND python3 ${VALDRN_ROOT}/tests/wine/hostlink_host_test.py)
set_tests_properties(wine_hostlink_host PROPERTIES TIMEOUT 240 SKIP_RETURN_CODE 77)
