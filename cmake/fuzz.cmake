# libFuzzer build (clang): the core with ASan and UBSan, one executable per
# tests/fuzz/fuzz_*.cpp, linked with the recording fake platform.
set(VALDRN_FUZZ_FLAGS -fsanitize=fuzzer-no-link,address,undefined -g -O1)
target_compile_options(valdrn_core PRIVATE ${VALDRN_FUZZ_FLAGS})
file(GLOB VALDRN_FAKE_SOURCES CONFIGURE_DEPENDS tests/fake/*.cpp)
add_library(valdrn_fake STATIC ${VALDRN_FAKE_SOURCES})
target_include_directories(valdrn_fake PUBLIC ${VALDRN_ROOT})
target_compile_options(valdrn_fake PRIVATE ${VALDRN_FUZZ_FLAGS})
file(GLOB VALDRN_FUZZERS CONFIGURE_DEPENDS tests/fuzz/fuzz_*.cpp)
foreach(src ${VALDRN_FUZZERS})
  get_filename_component(name ${src} NAME_WE)
  add_executable(${name} ${src})
  target_compile_options(${name} PRIVATE ${VALDRN_FUZZ_FLAGS})
  target_link_options(${name} PRIVATE -fsanitize=fuzzer,address,undefined)
  target_link_libraries(${name} PRIVATE valdrn_fake valdrn_core valdrn_fake)
endforeach()
# The host's verdict is held to the driver's own reading.
target_sources(fuzz_host_reading PRIVATE ${VALDRN_ROOT}/stand-ins/hxihost/host_logic.cpp)

# Each fuzzer runs for a bounded time from its checked-in seed corpus
# (tests/fuzz/corpus/<name>/); findings go to the build tree.
foreach(src ${VALDRN_FUZZERS})
  get_filename_component(name ${src} NAME_WE)
  set(corpus ${VALDRN_ROOT}/tests/fuzz/corpus/${name})
  set(work ${CMAKE_BINARY_DIR}/corpus/${name})
  file(MAKE_DIRECTORY ${work})
  add_test(NAME ${name}
           COMMAND ${name} -max_total_time=30 -rss_limit_mb=2048
                   -artifact_prefix=${CMAKE_BINARY_DIR}/ ${work} ${corpus})
endforeach()
