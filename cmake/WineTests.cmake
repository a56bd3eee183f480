# Every test runs under Wine, in one prefix per build tree, with a wineserver kept
# warm for the whole run by the "wine" fixture.
set(WINE_PREFIX ${CMAKE_BINARY_DIR}/wineprefix)
configure_file(${CMAKE_CURRENT_LIST_DIR}/wine-run.in ${CMAKE_BINARY_DIR}/wine-run
  @ONLY FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE
  WORLD_READ WORLD_EXECUTE)
set(WINE_RUN ${CMAKE_BINARY_DIR}/wine-run)
set(CMAKE_CROSSCOMPILING_EMULATOR ${WINE_RUN})

function(vorms_wine_fixture)
  add_test(NAME wine_prefix_start COMMAND ${WINE_RUN} --start)
  set_tests_properties(wine_prefix_start PROPERTIES FIXTURES_SETUP wine)
  add_test(NAME wine_prefix_stop COMMAND ${WINE_RUN} --stop)
  set_tests_properties(wine_prefix_stop PROPERTIES FIXTURES_CLEANUP wine)
endfunction()

# vorms_add_gtest(NAME SOURCES ... LIBS ... [LOCK resource...])
# One test program; CTest runs it whole under Wine (one process per program keeps
# Wine's start-up cost low).
function(vorms_add_gtest name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;LOCK" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE ${T_LIBS} vorms_test_support GTest::gtest GTest::gmock)
  add_test(NAME ${name} COMMAND ${name} --gtest_color=no)
  set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine TIMEOUT 900)
  if(T_LOCK)
    set_tests_properties(${name} PROPERTIES RESOURCE_LOCK "${T_LOCK}")
  endif()
endfunction()
