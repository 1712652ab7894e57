# The gateway's portable core: its own sources and the host's names and
# command readers it shares. Read by the main build and the benchmark build,
# so that both link the same list.
set(VALDRN_GATEWAY_CORE
    ${VALDRN_ROOT}/gateway/gateway.cpp ${VALDRN_ROOT}/gateway/site.cpp
    ${VALDRN_ROOT}/gateway/swp08_frame.cpp ${VALDRN_ROOT}/gateway/swp08_messages.cpp
    ${VALDRN_ROOT}/gateway/swp08_endpoint.cpp ${VALDRN_ROOT}/gateway/videohub_blocks.cpp
    ${VALDRN_ROOT}/gateway/videohub_endpoint.cpp
    ${VALDRN_ROOT}/stand-ins/hxihost/host_logic.cpp ${VALDRN_ROOT}/hostlink/cmd_fields.cpp)
# The socket layer and the program around the core.
set(VALDRN_GATEWAY_PROGRAM ${VALDRN_ROOT}/gateway/main.cpp ${VALDRN_ROOT}/gateway/net.cpp)
