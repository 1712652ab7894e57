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

file(GLOB LEITCH_SIM_TESTS CONFIGURE_DEPENDS ${LEITCH_SIM_DIR}/tests/*.cpp)
add_executable(leitch_sim_tests ${LEITCH_SIM_TESTS})
target_include_directories(leitch_sim_tests PRIVATE ${LEITCH_SIM_DIR})
target_compile_definitions(leitch_sim_tests PRIVATE LEITCH_SIM_EXE="$<TARGET_FILE:leitch_sim>")
target_compile_options(leitch_sim_tests PRIVATE ${VALDRN_SANITIZE} -g)
target_link_options(leitch_sim_tests PRIVATE ${VALDRN_SANITIZE})
target_link_libraries(leitch_sim_tests PRIVATE GTest::gtest GTest::gtest_main pthread)
add_dependencies(leitch_sim_tests leitch_sim)
gtest_discover_tests(leitch_sim_tests DISCOVERY_TIMEOUT 60)
