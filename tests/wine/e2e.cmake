# The driver end to end with the real processes: the native router simulator
# on the pty behind COM12, HXIHOST.EXE, VAL_DRN.EXE under TRACECAP.EXE, and
# PROBE.EXE reading the driver's windows and boxes from outside.
# Each entry is a unittest script on scripts/rig.py, which starts and ends
# every process.
set(E2E_DIR ${VALDRN_ROOT}/tests/wine/e2e)

# Time-outs: a few times each entry's run on a loaded machine (the flood
# sends 10,000 commands), beyond the rig's own 60 s bound on each wait.
foreach(entry road:180 startup:180 drills:180 flood:300 host:180)
  string(REPLACE ":" ";" entry ${entry})
  list(GET entry 0 name)
  list(GET entry 1 timeout)
  add_test(NAME wine_e2e_${name}
           COMMAND python3 ${E2E_DIR}/e2e_${name}_test.py)
  set_tests_properties(wine_e2e_${name} PROPERTIES TIMEOUT ${timeout} SKIP_RETURN_CODE 77
                       RESOURCE_LOCK valdrn_com12)
endforeach()

# The randomized soak for one minute (bench/soak/soak.py): a fixed seed, so
# CI replays the same actions; longer runs take a fresh seed by hand.
add_test(NAME wine_soak
         COMMAND python3 ${VALDRN_ROOT}/bench/soak/soak.py --minutes 1 --seed 26)
set_tests_properties(wine_soak PROPERTIES TIMEOUT 600 SKIP_RETURN_CODE 77
                     RESOURCE_LOCK valdrn_com12)
