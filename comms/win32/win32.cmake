# The serial port library on the real Win32 API; the driver links it.
file(GLOB VALDRN_COMMS_SOURCES CONFIGURE_DEPENDS ${VALDRN_ROOT}/comms/win32/*.cpp)
add_library(valdrn_comms STATIC ${VALDRN_COMMS_SOURCES})
target_include_directories(valdrn_comms PUBLIC ${VALDRN_ROOT})
target_compile_options(valdrn_comms PRIVATE ${VALDRN_WIN_FLAGS} -Wextra)
