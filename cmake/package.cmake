# The Windows package: a ZIP laid out as an installation root (CC_ROOT) with
# one system named "site", so that unpacking it and setting CC_ROOT and
# CC_SYSTEM=site is a working installation:
#   bin\                       VAL_DRN.EXE, orvaif32.dll, HXIHOST.EXE, GATEWAY.EXE
#   site\windows\lib\          BWCC32.DLL, ORVA_CC.DLL (the system directory)
#   site\config\system\        VAL_DRN.INI, DEV_101.INI, DEV_102.INI (the configuration directory)
#   orva_config.ini            sample of c:\orva_config.ini, for sites without the variables
#   INSTALL.txt
# Built by scripts/package.sh (cpack in the build tree; the 32-bit build
# makes the win32 package).

# The version, from its one home (the title and the resources use it too).
file(STRINGS ${VALDRN_ROOT}/ui/version.h VALDRN_VERSION REGEX "define VALDRN_VERSION_TEXT \"[0-9.]+\"")
string(REGEX REPLACE ".*\"([0-9.]+)\".*" "\\1" VALDRN_VERSION "${VALDRN_VERSION}")
if(NOT VALDRN_VERSION)
  message(FATAL_ERROR "No version found in ui/version.h")
endif()
set(VALDRN_PACKAGE_TEXT ${CMAKE_BINARY_DIR}/package-text)

# Programs and libraries go out stripped; the import libraries stay out.
# (GATEWAY.EXE is installed by gateway/gateway.cmake, included after this.)
install(TARGETS val_drn orvaif32 hxihost RUNTIME DESTINATION bin
        ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
install(TARGETS bwcc32 orva_cc RUNTIME DESTINATION site/windows/lib
        ARCHIVE DESTINATION lib EXCLUDE_FROM_ALL)
set(CPACK_STRIP_FILES ON)

# Text files go out with Windows line ends.
function(valdrn_package_text source destination)
  get_filename_component(name ${source} NAME)
  configure_file(${source} ${VALDRN_PACKAGE_TEXT}/${destination}/${name} @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${VALDRN_PACKAGE_TEXT}/${destination}/${name} DESTINATION ${destination})
endfunction()
foreach(file VAL_DRN.INI DEV_101.INI DEV_102.INI)
  valdrn_package_text(${VALDRN_ROOT}/packaging/sample/${file} site/config/system)
endforeach()
valdrn_package_text(${VALDRN_ROOT}/packaging/sample/orva_config.ini .)
valdrn_package_text(${VALDRN_ROOT}/docs/INSTALL.txt .)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(CPACK_SYSTEM_NAME win64)
else()
  set(CPACK_SYSTEM_NAME win32)
endif()
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME VAL_DRN)
set(CPACK_PACKAGE_VERSION ${VALDRN_VERSION})
set(CPACK_PACKAGE_VENDOR "VAL_DRN")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Router driver for a Leitch video routing switcher")
set(CPACK_PACKAGE_FILE_NAME VAL_DRN-${VALDRN_VERSION}-${CPACK_SYSTEM_NAME})
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)

# The package name as cpack will write it must carry the version.
add_test(NAME package_name_has_version
         COMMAND ${CMAKE_COMMAND} -DCONFIG=${CMAKE_BINARY_DIR}/CPackConfig.cmake
                 -P ${VALDRN_ROOT}/cmake/check-package-name.cmake)
