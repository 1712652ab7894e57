# The tally file against real kills: a program saving in a loop through the
# real file calls is killed at random moments; after each kill the file must
# hold one whole generation of tallies.
add_executable(store_saver ${VALDRN_ROOT}/tests/wine/store_crash/saver.cpp)
target_include_directories(store_saver PRIVATE ${VALDRN_ROOT})
target_compile_options(store_saver PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(store_saver PRIVATE valdrn_core valdrn_platform)

add_executable(store_crash ${VALDRN_ROOT}/tests/wine/store_crash/driver.cpp)
target_include_directories(store_crash PRIVATE ${VALDRN_ROOT})
target_compile_options(store_crash PRIVATE ${VALDRN_WIN_FLAGS})
target_link_libraries(store_crash PRIVATE shell_fixture)
add_dependencies(store_crash store_saver)
add_test(NAME wine_store_crash
         COMMAND bash ${VALDRN_ROOT}/tests/wine/store_crash.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                 $<TARGET_FILE:store_crash>)
set_tests_properties(wine_store_crash PROPERTIES TIMEOUT 300)
