# add_unit_test(NAME <name> SOURCES <files...> [LIBS <targets...>] [QT] [TIMEOUT <s>]
#               [PRIVATE_PROCESSES])
#
# Registers one test binary with CTest. Every test runs with the offscreen Qt platform,
# a fixed locale, a private HOME and XDG folders, a private (empty) pppd world below the
# build tree and a NetworkManager address where no bus listens, so no test ever reads or
# writes the real user's files, sees the machine's dial-up connections or needs a screen.
#
# A test that hangs (a dialog nobody answers) fails after TIMEOUT seconds, 45 unless the test
# needs longer. Under the sanitizers every test also checks for leaks, with no suppressions:
# neither our code nor Qt and the system's libraries as the tests use them leave any.
# PRIVATE_PROCESSES runs the test in a process world of its own (tests/support/
# private_processes): tests that start pppd processes need it.
find_package(GTest REQUIRED)

# The environment of test `name`, with LANG and LC_ALL set to `locale`.
function(orv_test_environment out name locale)
  set(home ${CMAKE_BINARY_DIR}/test-home/${name})
  file(MAKE_DIRECTORY ${home}/config ${home}/data ${home}/state ${home}/cache ${home}/runtime)
  file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  set(${out}
    "QT_QPA_PLATFORM=offscreen;LANG=${locale};LC_ALL=${locale};LANGUAGE=;TZ=UTC;HOME=${home};XDG_CONFIG_HOME=${home}/config;XDG_DATA_HOME=${home}/data;XDG_STATE_HOME=${home}/state;XDG_CACHE_HOME=${home}/cache;XDG_RUNTIME_DIR=${home}/runtime;ORV_PPP_DIR=${home}/ppp;ORV_PPP_RUN_DIR=${home}/ppp-run;ORV_PPPD=${home}/no-pppd;ORV_NM_BUS_ADDRESS=unix:path=${home}/no-system-bus;ORV_NM_EDITOR=${home}/no-nm-connection-editor;ORV_SOURCE_DIR=${CMAKE_SOURCE_DIR};ORV_BINARY_DIR=${CMAKE_BINARY_DIR};ASAN_OPTIONS=detect_leaks=1"
    PARENT_SCOPE)
endfunction()

function(add_unit_test)
  cmake_parse_arguments(T "QT;PRIVATE_PROCESSES" "NAME;TIMEOUT" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  if(T_QT)
    set_target_properties(${T_NAME} PROPERTIES AUTOMOC ON)
    target_link_libraries(${T_NAME} PRIVATE Qt6::Test ${T_LIBS})
  else()
    target_link_libraries(${T_NAME} PRIVATE GTest::gtest GTest::gtest_main GTest::gmock ${T_LIBS})
  endif()
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  if(T_PRIVATE_PROCESSES)
    add_test(NAME ${T_NAME}
      COMMAND ${CMAKE_SOURCE_DIR}/tests/support/private_processes $<TARGET_FILE:${T_NAME}>)
  else()
    add_test(NAME ${T_NAME} COMMAND ${T_NAME})
  endif()

  if(NOT T_TIMEOUT)
    set(T_TIMEOUT 45)
  endif()
  orv_test_environment(environment ${T_NAME} C.UTF-8)
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT ${T_TIMEOUT} ENVIRONMENT "${environment}")
endfunction()

# add_locale_test(NAME <name> TARGET <test binary> LOCALE <locale>)
#
# Runs a test binary of add_unit_test once more under another locale. The binary ends with
# exit status 77 (a skip) when that locale is not installed on the machine.
function(add_locale_test)
  cmake_parse_arguments(T "" "NAME;TARGET;LOCALE" "" ${ARGN})
  add_test(NAME ${T_NAME} COMMAND ${T_TARGET})
  orv_test_environment(environment ${T_NAME} ${T_LOCALE})
  set_tests_properties(${T_NAME} PROPERTIES TIMEOUT 300 SKIP_RETURN_CODE 77
    ENVIRONMENT "${environment}")
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

# add_fuzz_target(NAME <name> SOURCES <files...> LIBS <targets...>)
#
# A libFuzzer target: clang only, and only on request (-DORV_FUZZ=ON).
function(add_fuzz_target)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  if(NOT ORV_FUZZ OR NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
    return()
  endif()
  add_executable(${T_NAME} ${T_SOURCES})
  target_include_directories(${T_NAME} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  target_link_libraries(${T_NAME} PRIVATE ${T_LIBS})
  target_compile_options(${T_NAME} PRIVATE -fsanitize=fuzzer)
  target_link_options(${T_NAME} PRIVATE -fsanitize=fuzzer)
endfunction()
