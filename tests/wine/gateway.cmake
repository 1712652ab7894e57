# The gateway end to end: the native gateway as a client of HXIHOST.EXE,
# with VAL_DRN.EXE and the router simulator on COM12, driven by a Videohub
# client of the test's own and by the npm SW-P-08 client.
set(GATEWAY_E2E_DIR ${VALDRN_ROOT}/tests/wine/e2e)
foreach(name swp08 away)
  add_test(NAME wine_gateway_${name}
           COMMAND python3 ${GATEWAY_E2E_DIR}/gateway_${name}_test.py)
  set_tests_properties(wine_gateway_${name} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
                       RESOURCE_LOCK valdrn_com12)
endforeach()
