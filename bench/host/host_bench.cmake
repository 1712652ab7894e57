# The bare named pipe round trip beside the host library's calls (not a
# test); bench/host_bench.py runs it.
add_executable(bench_pipe_floor ${VALDRN_ROOT}/bench/host/pipe_floor.cpp)
target_compile_options(bench_pipe_floor PRIVATE ${VALDRN_WIN_FLAGS})
