# orvaif32.dll: the host interface library; the driver links its import
# library. Exports keep their plain names on 32-bit builds too (--kill-at).
add_library(orvaif32 SHARED ${VALDRN_ROOT}/stand-ins/orvaif32/orvaif32.cpp
                            ${VALDRN_ROOT}/stand-ins/orvaif32/orvaif32.def)
target_include_directories(orvaif32 PUBLIC ${VALDRN_ROOT})
set_target_properties(orvaif32 PROPERTIES PREFIX "" OUTPUT_NAME "orvaif32")
target_link_options(orvaif32 PRIVATE -Wl,--kill-at)
