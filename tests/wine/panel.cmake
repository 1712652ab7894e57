# The operator panel of the real driver under Wine and Xvfb, read and driven
# from outside by PROBE.EXE, beside HXIHOST.EXE and the native router
# simulator. The tests save screenshots of the panel's main states into
# screenshots/ of this build tree.
set(PANEL_TEST_DIR ${VALDRN_ROOT}/tests/wine/panel)

foreach(name router minimised)
  add_test(NAME wine_panel_${name}
           COMMAND python3 ${PANEL_TEST_DIR}/test_panel_${name}.py)
  set_tests_properties(wine_panel_${name} PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
                       RESOURCE_LOCK valdrn_com12)
endforeach()
