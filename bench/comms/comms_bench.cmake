# The serial library's benchmark program (not a test); bench/comms_bench.sh
# runs it over pseudo-terminal pairs and prints the results.
add_executable(bench_comms ${VALDRN_ROOT}/bench/comms/bench_comms.cpp)
target_link_libraries(bench_comms PRIVATE valdrn_comms)
target_compile_options(bench_comms PRIVATE ${VALDRN_WIN_FLAGS})
