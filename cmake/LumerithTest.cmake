# lumerith_add_test(<name> SOURCES <files...> [LIBS <libs...>])
# One QtTest executable, registered with CTest, run headless in a scratch HOME.
function(lumerith_add_test name)
  cmake_parse_arguments(T "" "" "SOURCES;LIBS;ENV" ${ARGN})
  add_executable(${name} ${T_SOURCES})
  target_link_libraries(${name} PRIVATE lumerith_module Qt5::Test ${T_LIBS})
  target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
  add_test(NAME ${name} COMMAND ${name})
  set(home ${CMAKE_BINARY_DIR}/testhome/${name})
  file(MAKE_DIRECTORY ${home} ${home}/tmp ${home}/.config)
  set_tests_properties(${name} PROPERTIES
    ENVIRONMENT "QT_QPA_PLATFORM=offscreen;HOME=${home};XDG_CONFIG_HOME=${home}/.config;TMPDIR=${home}/tmp;LUMERITH_SOURCE_DIR=${CMAKE_SOURCE_DIR};${T_ENV}"
    TIMEOUT 600)
endfunction()
