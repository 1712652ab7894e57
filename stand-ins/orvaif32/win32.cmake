# orvaif32.dll: the host interface library; the driver links its import
# library. Exports keep their plain names on 32-bit builds too (--kill-at).
add_library(orvaif32 SHARED ${VALDRN_ROOT}/stand-ins/orvaif32/orvaif32.cpp
                            ${VALDRN_ROOT}/stand-ins/orvaif32/unsent.cpp
                            ${VALDRN_ROOT}/stand-ins/orvaif32/orvaif32.def)
target_include_directories(orvaif32 PUBLIC ${VALDRN_ROOT})
set_target_properties(orvaif32 PROPERTIES PREFIX "" OUTPUT_NAME "orvaif32")
target_link_options(orvaif32 PRIVATE -Wl,--kill-at)

# On 32-bit builds a caller refers to _imp__ORVA32TxMessage@24, but the import
# library the linker writes with --kill-at names the plain symbol. dlltool -k
# writes one that maps the decorated symbols onto the plain exported names;
# it replaces the linker's before anything links against it.
if(CMAKE_SIZEOF_VOID_P EQUAL 4)
  string(REGEX REPLACE "-g(cc|\\+\\+)(-posix)?$" "-dlltool" ORVAIF32_DLLTOOL_GUESS "${CMAKE_CXX_COMPILER}")
  find_program(ORVAIF32_DLLTOOL NAMES ${ORVAIF32_DLLTOOL_GUESS} i686-w64-mingw32-dlltool REQUIRED)
  add_custom_command(TARGET orvaif32 POST_BUILD
    COMMAND ${ORVAIF32_DLLTOOL} -k -d ${VALDRN_ROOT}/stand-ins/orvaif32/orvaif32.def
            -D orvaif32.dll -l $<TARGET_LINKER_FILE:orvaif32>
    VERBATIM)
endif()
