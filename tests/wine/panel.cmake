# The operator panel of the real driver under Wine and Xvfb, read and driven
# from outside by PANELPROBE.EXE, beside HXIHOST.EXE and the native router
# simulator. The tests save screenshots of the panel's main states into
# screenshots/ of this build tree.
set(PANEL_TEST_DIR ${VALDRN_ROOT}/tests/wine/panel)

add_executable(panel_probe
    ${PANEL_TEST_DIR}/panel_probe_main.cpp
    ${PANEL_TEST_DIR}/panel_probe_read.cpp)
target_include_directories(panel_probe PRIVATE ${VALDRN_ROOT})
target_compile_options(panel_probe PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(panel_probe PRIVATE user32)
set_target_properties(panel_probe PROPERTIES OUTPUT_NAME PANELPROBE SUFFIX .EXE)

set(PANEL_TEST_ARGS ${VALDRN_BIN} ${VALDRN_ROOT}/build/native/leitch_sim
    ${CMAKE_BINARY_DIR}/screenshots)
foreach(name router minimised)
  add_test(NAME wine_panel_${name}
           COMMAND python3 ${PANEL_TEST_DIR}/test_panel_${name}.py ${PANEL_TEST_ARGS})
  set_tests_properties(wine_panel_${name} PROPERTIES TIMEOUT 180 SKIP_RETURN_CODE 77
                       RESOURCE_LOCK valdrn_com12)
endforeach()
