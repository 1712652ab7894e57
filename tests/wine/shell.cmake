# Wine tests of the start-up spine: the real profile API under the settings
# loader, the two control libraries, and the driver started and stopped
# beside a fixture host window.
set(SHELL_TEST_DIR ${VALDRN_ROOT}/tests/wine/shell)

add_library(shell_fixture STATIC
    ${SHELL_TEST_DIR}/fixture_host.cpp
    ${SHELL_TEST_DIR}/driver_process.cpp
    ${SHELL_TEST_DIR}/temp_dir.cpp)
target_include_directories(shell_fixture PUBLIC ${VALDRN_ROOT})
target_compile_options(shell_fixture PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(shell_fixture PUBLIC user32)

# Helpers shared by the test programs below.
add_library(shell_test_support STATIC
    ${SHELL_TEST_DIR}/site_dirs.cpp
    ${SHELL_TEST_DIR}/control_window.cpp)
target_include_directories(shell_test_support PUBLIC ${VALDRN_ROOT})
target_compile_options(shell_test_support PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(shell_test_support PUBLIC shell_fixture gdi32)

# The settings loader on the real profile API.
add_executable(shell_profile_tests ${SHELL_TEST_DIR}/test_profile.cpp)
target_link_libraries(shell_profile_tests PRIVATE valdrn_core valdrn_platform ${VALDRN_COMMS_LIB}
                      shell_test_support gtest_main)
add_test(NAME wine_shell_profile COMMAND shell_profile_tests)

# The two control libraries, loaded as the driver loads them.
add_executable(shell_control_tests
    ${SHELL_TEST_DIR}/test_status_button.cpp
    ${SHELL_TEST_DIR}/test_dialog_library.cpp
    ${SHELL_TEST_DIR}/controls_test.rc)
target_include_directories(shell_control_tests PRIVATE ${VALDRN_ROOT})
target_link_libraries(shell_control_tests PRIVATE shell_test_support gtest_main)
add_dependencies(shell_control_tests orva_cc bwcc32)
add_test(NAME wine_shell_controls COMMAND shell_control_tests)

# The main window from the program's own class code and resources, in process.
add_executable(shell_window_tests
    ${SHELL_TEST_DIR}/test_main_window.cpp
    ${VALDRN_ROOT}/app/win32/main_window.cpp
    ${VALDRN_RESOURCES})
target_include_directories(shell_window_tests PRIVATE ${VALDRN_ROOT})
target_link_libraries(shell_window_tests PRIVATE valdrn_core valdrn_platform ${VALDRN_COMMS_LIB}
                      shell_test_support gtest_main)
add_dependencies(shell_window_tests orva_cc bwcc32)
add_test(NAME wine_shell_window COMMAND shell_window_tests)

# The driver as a process: start, stop, trace and start-up boxes.
add_executable(shell_driver_tests ${SHELL_TEST_DIR}/test_driver_run.cpp)
target_link_libraries(shell_driver_tests PRIVATE shell_test_support gtest_main)
add_dependencies(shell_driver_tests val_drn orva_cc bwcc32)
add_test(NAME wine_shell_driver COMMAND shell_driver_tests)
