# add_unit_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [QT])
#
# Registers one test binary with CTest. Every test runs with the offscreen Qt platform,
# a fixed locale, a private HOME and XDG folders, a private (empty) pppd world below the
# build tree and a NetworkManager address where no bus listens, so no test ever reads or
# writes the real user's files, sees the machine's dial-up connections or needs a screen.
find_package(GTest REQUIRED)

function(add_unit_test)
  cmake_parse_arguments(T "QT" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_QT)
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  endif()
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${T_NAME} COMMAND ${T_NAME})

  set(home ${CMAKE_BINARY_DIR}/test-home/${T_NAME})
  file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/state ${home}/cache ${home}/runtime)
  file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 300)
  endif()
  set_tests_properties(${T_NAME} PROPERTIES
    TIMEOUT ${T_TIMEOUT}
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;LANG=C.UTF-8;LC_ALL=C.UTF-8;LANGUAGE=;TZ=UTC;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_STATE_HOME=${home}/state;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;ORV_PPP_DIR=${home}/ppp;ORV_PPP_RUN_DIR=${home}/ppp-run;ORV_PPPD=${home}/no-pppd;ORV_NM_BUS_ADDRESS=unix:path=${home}/no-system-bus;ORV_NM_EDITOR=${home}/no-nm-connection-editor;ORV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ORV_BINARY_DIR=${CMAKE_BINARY_DIR};ASAN_OPTIONS=detect_leaks=0")
endfunction()

# add_export_test(NAME <name> TARGET <shared library target> EXPORTS <symbols...>)
#
# Fails unless the library's dynamic symbol table defines exactly the named exports.
function(add_export_test)
  cmake_parse_arguments(T "" "NAME;TARGET" "EXPORTS" ${ARGN})
  string(REPLACE ";" "\\;" expected "${T_EXPORTS}")
  add_test(NAME ${T_NAME} COMMAND ${CMAKE_COMMAND} -DNM=${CMAKE_NM}
    -DLIBRARY=$<TARGET_FILE:${T_TARGET}> "-DEXPECTED=${expected}"
    -P ${CMAKE_SOURCE_DIR}/cmake/CheckExports.cmake)
endfunction()
