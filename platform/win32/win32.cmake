# The Win32 side of the platform seam: every platform/win32/*.cpp, one file
# per concern. Linked by the driver and by the Wine tests that drive the core
# through the real API.
file(GLOB VALDRN_PLATFORM_SOURCES CONFIGURE_DEPENDS ${VALDRN_ROOT}/platform/win32/*.cpp)
add_library(valdrn_platform STATIC ${VALDRN_PLATFORM_SOURCES})
target_include_directories(valdrn_platform PUBLIC ${VALDRN_ROOT})
target_compile_options(valdrn_platform PRIVATE ${VALDRN_WIN_FLAGS})
# orvaif32 is defined by its stand-in, included after this file; a name that
# is not a target yet is taken as a library name and resolved at generation.
target_link_libraries(valdrn_platform PUBLIC valdrn_core orvaif32 user32 gdi32 kernel32)
# The core calls the seam and the seam's dialog procedures call the core:
# declaring both directions lets CMake repeat the two archives at link time.
target_link_libraries(valdrn_core INTERFACE valdrn_platform)
