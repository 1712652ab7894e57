# The gateway: a portable core (codecs, level model, host-line client,
# endpoints) and a thin socket layer. Native: valdrn_gateway and its tests
# under ASan and UBSan; Windows: GATEWAY.EXE; fuzz: the core linked into
# the gateway's fuzz targets.
set(VALDRN_GATEWAY_CORE
    ${VALDRN_ROOT}/gateway/gateway.cpp ${VALDRN_ROOT}/gateway/site.cpp
    ${VALDRN_ROOT}/gateway/swp08_frame.cpp ${VALDRN_ROOT}/gateway/swp08_messages.cpp
    ${VALDRN_ROOT}/gateway/swp08_endpoint.cpp ${VALDRN_ROOT}/gateway/videohub_blocks.cpp
    ${VALDRN_ROOT}/gateway/videohub_endpoint.cpp
    ${VALDRN_ROOT}/stand-ins/hxihost/host_logic.cpp ${VALDRN_ROOT}/hostlink/cmd_fields.cpp)
add_library(valdrn_gateway_core STATIC ${VALDRN_GATEWAY_CORE})
target_include_directories(valdrn_gateway_core PUBLIC ${VALDRN_ROOT})
if(NOT MSVC)
  target_compile_options(valdrn_gateway_core PRIVATE -Wall -Wextra)
endif()

if(CMAKE_SYSTEM_NAME STREQUAL "Windows")
  add_executable(gateway ${VALDRN_ROOT}/gateway/main.cpp ${VALDRN_ROOT}/gateway/net.cpp)
  target_link_libraries(gateway PRIVATE valdrn_gateway_core ws2_32)
  set_target_properties(gateway PROPERTIES OUTPUT_NAME "GATEWAY" SUFFIX ".EXE")
  install(TARGETS gateway RUNTIME DESTINATION bin)
elseif(VALDRN_FUZZ)
  target_compile_options(valdrn_gateway_core PRIVATE ${VALDRN_FUZZ_FLAGS})
  foreach(name fuzz_swp08_deframe fuzz_videohub_blocks)
    if(TARGET ${name})
      target_link_libraries(${name} PRIVATE valdrn_gateway_core)
    endif()
  endforeach()
else()
  target_compile_options(valdrn_gateway_core PRIVATE ${VALDRN_SANITIZE} -g)
  target_link_options(valdrn_gateway_core PUBLIC ${VALDRN_SANITIZE})
  add_executable(valdrn_gateway ${VALDRN_ROOT}/gateway/main.cpp ${VALDRN_ROOT}/gateway/net.cpp)
  target_compile_options(valdrn_gateway PRIVATE ${VALDRN_SANITIZE} -g)
  target_link_libraries(valdrn_gateway PRIVATE valdrn_gateway_core)
  file(GLOB VALDRN_GATEWAY_TESTS CONFIGURE_DEPENDS ${VALDRN_ROOT}/gateway/tests/*.cpp)
  add_executable(gateway_tests ${VALDRN_GATEWAY_TESTS})
  target_compile_options(gateway_tests PRIVATE ${VALDRN_SANITIZE} -g)
  target_link_libraries(gateway_tests PRIVATE valdrn_gateway_core GTest::gtest GTest::gtest_main)
  gtest_discover_tests(gateway_tests DISCOVERY_TIMEOUT 60)
endif()
