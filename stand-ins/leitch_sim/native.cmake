# The Leitch router simulator (native Linux) and its tests over a pty.
set(LEITCH_SIM_DIR ${VALDRN_ROOT}/stand-ins/leitch_sim)
add_executable(leitch_sim
    ${LEITCH_SIM_DIR}/sim_main.cpp
    ${LEITCH_SIM_DIR}/sim_control.cpp
    ${LEITCH_SIM_DIR}/sim_engine.cpp
    ${LEITCH_SIM_DIR}/sim_options.cpp
    ${LEITCH_SIM_DIR}/sim_router.cpp
    ${LEITCH_SIM_DIR}/sim_serial.cpp
    ${LEITCH_SIM_DIR}/sim_setup.cpp)
target_compile_options(leitch_sim PRIVATE ${VALDRN_SANITIZE} -g -Wall -Wextra)
target_link_options(leitch_sim PRIVATE ${VALDRN_SANITIZE})

add_test(NAME leitch_sim_pty
         COMMAND python3 ${LEITCH_SIM_DIR}/tests/sim_test.py $<TARGET_FILE:leitch_sim>)
set_tests_properties(leitch_sim_pty PROPERTIES TIMEOUT 300)
