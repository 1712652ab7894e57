# ORVA_CC.DLL: the status button control, placed with the other runnables
# (the system directory of the demo and the tests).
add_library(orva_cc SHARED
    ${VALDRN_ROOT}/stand-ins/orva_cc/dllmain.cpp
    ${VALDRN_ROOT}/stand-ins/orva_cc/status_button.cpp
    ${VALDRN_ROOT}/stand-ins/orva_cc/status_look.cpp)
target_include_directories(orva_cc PRIVATE ${VALDRN_ROOT})
target_compile_options(orva_cc PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(orva_cc PRIVATE user32 gdi32)
set_target_properties(orva_cc PROPERTIES PREFIX "" OUTPUT_NAME ORVA_CC SUFFIX .DLL)
