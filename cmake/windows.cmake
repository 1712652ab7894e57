# Windows build (mingw-w64): the driver, the Win32 side of the seam, the serial
# library, the stand-in components and the Win32-side tests run under Wine.
set(VALDRN_WIN_FLAGS -Wall -Wno-unused-parameter)

# GoogleTest from the distribution's sources, built with this toolchain.
set(gtest_force_shared_crt ON CACHE BOOL "" FORCE)
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)

# Everything runnable lands in one folder, which is also the system directory
# the demo and the tests use for the control libraries.
set(CMAKE_RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(CMAKE_LIBRARY_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/bin)
set(VALDRN_BIN ${CMAKE_BINARY_DIR}/bin)

# Win32 pieces: every <folder>/win32/win32.cmake, then the stand-ins' and the
# Wine tests' own cmake files. Order: platform and comms first (libraries the
# driver links), stand-ins next (orvaif32 import library), app last.
foreach(part platform comms)
  if(EXISTS ${VALDRN_ROOT}/${part}/win32/win32.cmake)
    include(${VALDRN_ROOT}/${part}/win32/win32.cmake)
  endif()
endforeach()
file(GLOB VALDRN_STANDIN_PARTS CONFIGURE_DEPENDS ${VALDRN_ROOT}/stand-ins/*/win32.cmake)
foreach(part ${VALDRN_STANDIN_PARTS})
  include(${part})
endforeach()
foreach(part app)
  if(EXISTS ${VALDRN_ROOT}/${part}/win32/win32.cmake)
    include(${VALDRN_ROOT}/${part}/win32/win32.cmake)
  endif()
endforeach()
file(GLOB VALDRN_WINE_TESTS CONFIGURE_DEPENDS ${VALDRN_ROOT}/tests/wine/*.cmake)
foreach(part ${VALDRN_WINE_TESTS})
  include(${part})
endforeach()
include(${VALDRN_ROOT}/cmake/package.cmake)
