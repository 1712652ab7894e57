# Fails unless the package file name of a configured build carries a version:
# VAL_DRN-<digits and dots>-win32|win64.
include(${CONFIG})
if(NOT CPACK_PACKAGE_FILE_NAME MATCHES "^VAL_DRN-[0-9]+(\\.[0-9]+)+-win(32|64)$")
  message(FATAL_ERROR "package name without a version: ${CPACK_PACKAGE_FILE_NAME}")
endif()
message(STATUS "package name: ${CPACK_PACKAGE_FILE_NAME}")
