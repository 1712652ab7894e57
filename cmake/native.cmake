# Native Linux build: the core under AddressSanitizer and UBSan with its
# GoogleTest unit tests against the recording fake platform, and the native
# stand-ins (router simulator).
set(VALDRN_SANITIZE -fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer)
target_compile_options(valdrn_core PRIVATE ${VALDRN_SANITIZE} -g)
target_link_options(valdrn_core PUBLIC ${VALDRN_SANITIZE})

find_package(GTest REQUIRED)
include(GoogleTest)

file(GLOB VALDRN_FAKE_SOURCES CONFIGURE_DEPENDS tests/fake/*.cpp)
file(GLOB VALDRN_NATIVE_TESTS CONFIGURE_DEPENDS tests/native/*.cpp)
add_executable(core_tests ${VALDRN_FAKE_SOURCES} ${VALDRN_NATIVE_TESTS})
target_compile_options(core_tests PRIVATE ${VALDRN_SANITIZE} -g)
target_link_libraries(core_tests PRIVATE valdrn_core GTest::gtest GTest::gtest_main pthread)
gtest_discover_tests(core_tests DISCOVERY_TIMEOUT 60)

# Native stand-ins and their tests: every stand-ins/<name>/native.cmake.
file(GLOB VALDRN_NATIVE_PARTS CONFIGURE_DEPENDS ${VALDRN_ROOT}/stand-ins/*/native.cmake)
foreach(part ${VALDRN_NATIVE_PARTS})
  include(${part})
endforeach()
