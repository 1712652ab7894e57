# The README's first command keeps working: the demo's steps end to end (the
# driver on the router simulator behind COM12, a slower poll for a loaded
# machine).
add_test(NAME wine_demo
         COMMAND python3 ${VALDRN_ROOT}/scripts/demo.py
                 --folder ${CMAKE_BINARY_DIR}/demo-test --tally-delay 150)
set_tests_properties(wine_demo PROPERTIES TIMEOUT 240 SKIP_RETURN_CODE 77)
