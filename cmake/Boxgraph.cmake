# boxgraph_add_module(NAME name SOURCES ... [LIBS ...] [TESTS ...] [OCTAVE_TESTS ...]
#                     [OCTAVE_DIR subdir])
#
# Adds one deliverable in each host flavour:
#   <name>          hostless module, <build>/hostless/<name>.so, linked to our host layer;
#   <name>_octave   Octave MEX file, <build>/octave/[OCTAVE_DIR/]<name>.mex.
# TESTS are GoogleTest sources run against the hostless module, whose path they
# get as MODULE_PATH. OCTAVE_TESTS are Octave test scripts (%!test blocks),
# run headless by octave-cli with <build>/octave on the path.

if(BOXGRAPH_OCTAVE)
  find_program(MKOCTFILE mkoctfile)
  find_program(OCTAVE_CLI octave-cli)
  if(NOT MKOCTFILE OR NOT OCTAVE_CLI)
    message(STATUS "mkoctfile or octave-cli not found: Octave MEX files are not built")
    set(BOXGRAPH_OCTAVE OFF)
  else()
    execute_process(COMMAND ${MKOCTFILE} -p OCTINCLUDEDIR OUTPUT_VARIABLE OCT_INCLUDE
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    execute_process(COMMAND ${MKOCTFILE} -p OCTLIBDIR OUTPUT_VARIABLE OCT_LIBDIR
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    add_library(octave_mex INTERFACE)
    target_include_directories(octave_mex SYSTEM INTERFACE ${OCT_INCLUDE}/.. ${OCT_INCLUDE})
    target_link_directories(octave_mex INTERFACE ${OCT_LIBDIR})
    target_link_libraries(octave_mex INTERFACE octinterp octave)
    target_link_options(octave_mex INTERFACE -Wl,-Bsymbolic)
    target_compile_definitions(octave_mex INTERFACE MEX_DEBUG=0)
  endif()
endif()

set(BOXGRAPH_HOSTLESS_DIR ${CMAKE_BINARY_DIR}/hostless)
set(BOXGRAPH_OCTAVE_DIR ${CMAKE_BINARY_DIR}/octave)

function(boxgraph_add_module)
  cmake_parse_arguments(M "" "NAME;OCTAVE_DIR" "SOURCES;LIBS;TESTS;OCTAVE_TESTS" ${ARGN})

  add_library(${M_NAME} MODULE ${M_SOURCES})
  target_link_libraries(${M_NAME} PRIVATE boxgraph_host gateway ${M_LIBS})
  set_target_properties(${M_NAME} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY
                        ${BOXGRAPH_HOSTLESS_DIR})

  foreach(test_source ${M_TESTS})
    get_filename_component(test_name ${test_source} NAME_WE)
    add_executable(${test_name} ${test_source})
    target_link_libraries(${test_name} PRIVATE boxgraph_harness gtest_main ${M_LIBS})
    target_include_directories(${test_name} PRIVATE ${CMAKE_SOURCE_DIR}/tests)
    target_compile_definitions(${test_name} PRIVATE MODULE_PATH="$<TARGET_FILE:${M_NAME}>")
    add_dependencies(${test_name} ${M_NAME})
    gtest_discover_tests(${test_name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${M_NAME}.")
  endforeach()

  if(BOXGRAPH_OCTAVE)
    set(out_dir ${BOXGRAPH_OCTAVE_DIR})
    if(M_OCTAVE_DIR)
      set(out_dir ${BOXGRAPH_OCTAVE_DIR}/${M_OCTAVE_DIR})
    endif()
    add_library(${M_NAME}_octave MODULE ${M_SOURCES})
    target_link_libraries(${M_NAME}_octave PRIVATE octave_mex gateway ${M_LIBS})
    set_target_properties(${M_NAME}_octave PROPERTIES PREFIX "" SUFFIX ".mex" OUTPUT_NAME
                          ${M_NAME} LIBRARY_OUTPUT_DIRECTORY ${out_dir})
    foreach(script ${M_OCTAVE_TESTS})
      get_filename_component(script_name ${script} NAME_WE)
      boxgraph_add_octave_test(${M_NAME}.octave.${script_name}
                               ${CMAKE_CURRENT_SOURCE_DIR}/${script})
    endforeach()
  endif()
endfunction()

# Runs the %!test blocks of an Octave script headless; fails when any fails.
function(boxgraph_add_octave_test name script)
  add_test(NAME ${name}
           COMMAND ${OCTAVE_CLI} --no-gui --no-history --no-init-file --no-window-system
                   --path ${BOXGRAPH_OCTAVE_DIR}
                   --eval "exit(!test('${script}', 'quiet', stdout))")
endfunction()

# boxgraph_add_test(NAME name SOURCES ... LIBS ...): a GoogleTest executable of
# hostless tests (library modules, or anything that needs no module file).
function(boxgraph_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE gtest_main ${T_LIBS})
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${T_NAME}.")
endfunction()
