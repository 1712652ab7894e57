# Wine tests of the start-up spine: the two control libraries, and the main
# window with its panel and menu from the program's own code and resources,
# beside the settings loader on the real profile API.
set(SHELL_TEST_DIR ${VALDRN_ROOT}/tests/wine/shell)

# Helpers shared by the test programs below and the end-to-end probe.
add_library(shell_test_support STATIC
    ${SHELL_TEST_DIR}/site_dirs.cpp
    ${SHELL_TEST_DIR}/driver_process.cpp)
target_include_directories(shell_test_support PUBLIC ${VALDRN_ROOT})
target_compile_options(shell_test_support PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(shell_test_support PUBLIC user32 gdi32 shell32)

add_executable(shell_control_tests ${SHELL_TEST_DIR}/test_controls.cpp)
target_include_directories(shell_control_tests PRIVATE ${VALDRN_ROOT})
target_link_libraries(shell_control_tests PRIVATE shell_test_support gtest_main)
add_dependencies(shell_control_tests orva_cc bwcc32)
add_test(NAME wine_shell_controls COMMAND shell_control_tests)

add_executable(shell_window_tests
    ${SHELL_TEST_DIR}/test_main_window.cpp
    ${VALDRN_ROOT}/app/win32/main_window.cpp
    ${VALDRN_RESOURCES})
target_include_directories(shell_window_tests PRIVATE ${VALDRN_ROOT})
target_link_libraries(shell_window_tests PRIVATE valdrn_core valdrn_platform ${VALDRN_COMMS_LIB}
                      shell_test_support gtest_main)
add_dependencies(shell_window_tests orva_cc bwcc32)
add_test(NAME wine_shell_window COMMAND shell_window_tests)
