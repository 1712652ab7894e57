# The operator panel of the real driver under Wine and Xvfb, read and driven
# from outside by PROBE.EXE, beside HXIHOST.EXE and the native router
# simulator.
add_test(NAME wine_panel_router
         COMMAND python3 ${VALDRN_ROOT}/tests/wine/panel/test_panel_router.py)
set_tests_properties(wine_panel_router PROPERTIES TIMEOUT 150 SKIP_RETURN_CODE 77
                     RESOURCE_LOCK valdrn_com12)
