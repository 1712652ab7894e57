# The panel's dialog templates join the driver's resources.
if(TARGET VAL_DRN)
  target_sources(VAL_DRN PRIVATE ${VALDRN_ROOT}/panel/win32/panel.rc)
endif()
