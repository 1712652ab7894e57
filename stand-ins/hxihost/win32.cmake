# HXIHOST.EXE: the host interface process (console program with a hidden
# top-level window, a named pipe for orvaif32.dll and a TCP line interface).
add_executable(hxihost ${VALDRN_ROOT}/stand-ins/hxihost/hxihost_main.cpp
                       ${VALDRN_ROOT}/stand-ins/hxihost/hxihost_drivers.cpp
                       ${VALDRN_ROOT}/stand-ins/hxihost/hxihost_net.cpp
                       ${VALDRN_ROOT}/stand-ins/hxihost/hxihost_pipe.cpp
                       ${VALDRN_ROOT}/stand-ins/hxihost/host_logic.cpp
                       ${VALDRN_ROOT}/hostlink/cmd_fields.cpp)
target_include_directories(hxihost PRIVATE ${VALDRN_ROOT})
target_compile_options(hxihost PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(hxihost PRIVATE ws2_32)
set_target_properties(hxihost PROPERTIES OUTPUT_NAME "HXIHOST" SUFFIX ".EXE")
