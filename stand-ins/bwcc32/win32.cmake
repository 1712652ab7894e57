# BWCC32.DLL: the dialog class and frame control the dialog templates name.
add_library(bwcc32 SHARED
    ${VALDRN_ROOT}/stand-ins/bwcc32/bwcc32.cpp
    ${VALDRN_ROOT}/stand-ins/bwcc32/bwcc32.def)
target_include_directories(bwcc32 PRIVATE ${VALDRN_ROOT})
target_compile_options(bwcc32 PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(bwcc32 PRIVATE user32 gdi32)
target_link_options(bwcc32 PRIVATE -Wl,--kill-at)
set_target_properties(bwcc32 PROPERTIES PREFIX "" OUTPUT_NAME BWCC32 SUFFIX .DLL)
