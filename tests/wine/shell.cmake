# Wine tests of the start-up spine: the main window with its panel and menu
# from the program's own code and resources, beside the settings loader on
# the real profile API.
set(SHELL_TEST_DIR ${VALDRN_ROOT}/tests/wine/shell)

add_executable(shell_window_tests
    ${SHELL_TEST_DIR}/test_main_window.cpp
    ${VALDRN_ROOT}/tests/wine/watchdog.cpp
    ${VALDRN_ROOT}/app/win32/main_window.cpp
    ${VALDRN_RESOURCES})
target_include_directories(shell_window_tests PRIVATE ${VALDRN_ROOT})
target_link_libraries(shell_window_tests PRIVATE valdrn_core valdrn_platform ${VALDRN_COMMS_LIB}
                      gtest_main user32 gdi32 shell32)
add_dependencies(shell_window_tests orva_cc bwcc32)
add_test(NAME wine_shell_window COMMAND shell_window_tests)
set_tests_properties(wine_shell_window PROPERTIES TIMEOUT 60)
