# The host interface's portable logic joins the native unit tests.
target_sources(core_tests PRIVATE ${VALDRN_ROOT}/stand-ins/hxihost/host_logic.cpp)
