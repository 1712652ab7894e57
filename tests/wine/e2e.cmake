# The driver end to end with the real processes: the native router simulator
# on the pty behind COM12, HXIHOST.EXE, VAL_DRN.EXE under TRACECAP.EXE, and a
# small probe program that reads the driver's windows and boxes from outside.
# Each entry is a Python script; each starts and ends its own processes.
set(E2E_DIR ${VALDRN_ROOT}/tests/wine/e2e)

add_executable(e2e_probe ${E2E_DIR}/probe.cpp)
target_compile_options(e2e_probe PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(e2e_probe PRIVATE shell_test_support dbwin_capture psapi)
set_target_properties(e2e_probe PROPERTIES OUTPUT_NAME E2EPROBE SUFFIX .EXE)

set(E2E_SIM ${VALDRN_ROOT}/build/native/leitch_sim)
foreach(name link road startup drills flood)
  add_test(NAME wine_e2e_${name}
           COMMAND python3 ${E2E_DIR}/e2e_${name}_test.py ${VALDRN_BIN} ${E2E_SIM})
  set_tests_properties(wine_e2e_${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                       RESOURCE_LOCK valdrn_com12)
endforeach()
