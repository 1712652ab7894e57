# TRACECAP.EXE: prints the debug output of the driver (and anything else in
# the session) with time stamps. The reader is a library the tests share.
add_library(dbwin_capture STATIC ${VALDRN_ROOT}/stand-ins/tracecap/dbwin.cpp)
target_include_directories(dbwin_capture PUBLIC ${VALDRN_ROOT})
target_compile_options(dbwin_capture PRIVATE ${VALDRN_WIN_FLAGS})

add_executable(tracecap ${VALDRN_ROOT}/stand-ins/tracecap/tracecap.cpp)
target_compile_options(tracecap PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(tracecap PRIVATE dbwin_capture)
set_target_properties(tracecap PROPERTIES OUTPUT_NAME TRACECAP SUFFIX .EXE)
