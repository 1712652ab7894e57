# PROBE.EXE: reads the running driver's windows, boxes and process figures
# from outside and acts on them, for the end-to-end and panel tests.
set(PROBE_DIR ${VALDRN_ROOT}/tests/wine/probe)
add_executable(probe ${PROBE_DIR}/probe_main.cpp ${PROBE_DIR}/probe_read.cpp
               ${PROBE_DIR}/probe_process.cpp)
target_include_directories(probe PRIVATE ${VALDRN_ROOT})
target_compile_options(probe PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(probe PRIVATE psapi user32)
set_target_properties(probe PROPERTIES OUTPUT_NAME PROBE SUFFIX .EXE)
