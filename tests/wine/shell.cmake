# Wine tests of the start-up spine: the real profile API under the settings
# loader, the two control libraries, and the driver started and stopped
# beside a fixture host window. HOSTFIX.EXE (the fixture host as a program)
# also serves the demo.
set(SHELL_TEST_DIR ${VALDRN_ROOT}/tests/wine/shell)

add_library(shell_fixture STATIC
    ${SHELL_TEST_DIR}/fixture_host.cpp
    ${SHELL_TEST_DIR}/driver_process.cpp
    ${SHELL_TEST_DIR}/temp_dir.cpp)
target_include_directories(shell_fixture PUBLIC ${VALDRN_ROOT})
target_compile_options(shell_fixture PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(shell_fixture PUBLIC user32)

add_executable(hostfix ${SHELL_TEST_DIR}/hostfix_main.cpp)
target_link_libraries(hostfix PRIVATE shell_fixture)
set_target_properties(hostfix PROPERTIES OUTPUT_NAME HOSTFIX SUFFIX .EXE)
