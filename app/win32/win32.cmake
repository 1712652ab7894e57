# VAL_DRN.EXE: the process entry and the resources around the core. Dialog
# templates of the panel (panel/win32/*.rc) join the program's resources.
enable_language(RC)

set(VALDRN_COMMS_LIB valdrn_comms)

file(GLOB VALDRN_PANEL_RESOURCES CONFIGURE_DEPENDS ${VALDRN_ROOT}/panel/win32/*.rc)
# The program's resources; the Wine tests build the main window from them too.
set(VALDRN_RESOURCES ${VALDRN_ROOT}/app/win32/val_drn.rc ${VALDRN_PANEL_RESOURCES})
add_executable(val_drn WIN32
    ${VALDRN_ROOT}/app/win32/winmain.cpp
    ${VALDRN_ROOT}/app/win32/main_window.cpp
    ${VALDRN_RESOURCES})
set_target_properties(val_drn PROPERTIES OUTPUT_NAME VAL_DRN SUFFIX .EXE)
target_include_directories(val_drn PRIVATE ${VALDRN_ROOT})
target_compile_options(val_drn PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(val_drn PRIVATE valdrn_core valdrn_platform ${VALDRN_COMMS_LIB}
                      orvaif32 user32 gdi32)
# The icon sits beside the script; the ids come from the shared headers.
set_property(SOURCE ${VALDRN_ROOT}/app/win32/val_drn.rc APPEND PROPERTY OBJECT_DEPENDS
             ${VALDRN_ROOT}/app/win32/grdicon.ico ${VALDRN_ROOT}/ui/ui_ids.h ${VALDRN_ROOT}/ui/version.h)
