# The build's own functions: the source list, GoogleTest, and adding a module
# in each host flavour with its tests.

# ---- the source list: modules.mk, read into BOXGRAPH_MK_<variable> lists.
# A $(LIB_<GROUP>) reference stands for the core library target
# boxgraph_<group>; everything else is a path below the project root.
file(STRINGS ${PROJECT_SOURCE_DIR}/modules.mk mk_lines REGEX "^[A-Za-z_]+ *=")
foreach(line ${mk_lines})
  string(REGEX MATCH "^([A-Za-z_]+) *= *(.*)$" unused "${line}")
  separate_arguments(mk_value UNIX_COMMAND "${CMAKE_MATCH_2}")
  set(BOXGRAPH_MK_${CMAKE_MATCH_1} ${mk_value})
endforeach()
set_property(DIRECTORY ${PROJECT_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS
             ${PROJECT_SOURCE_DIR}/modules.mk)
set(BOXGRAPH_MODULES ${BOXGRAPH_MK_MODULES})

# The files of a library group (LIB_TREE -> lib/Tree.cpp ...), as full paths.
function(boxgraph_group_sources out group)
  set(files)
  foreach(file ${BOXGRAPH_MK_LIB_${group}})
    list(APPEND files ${PROJECT_SOURCE_DIR}/${file})
  endforeach()
  set(${out} ${files} PARENT_SCOPE)
endfunction()

# ---- GoogleTest: an installed one, else built from its source tree.
function(boxgraph_find_gtest)
  if(NOT BOXGRAPH_GTEST_FROM_SOURCE)
    find_package(GTest QUIET)
  endif()
  if(NOT TARGET GTest::gtest_main)
    if(NOT EXISTS ${GTEST_SOURCE_DIR}/CMakeLists.txt)
      message(FATAL_ERROR "GoogleTest not found: install it (Debian: googletest libgtest-dev) "
                          "or set GTEST_SOURCE_DIR to its source tree")
    endif()
    set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
    set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
    add_subdirectory(${GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
    if(NOT TARGET GTest::gtest_main)  # older source trees define no namespaced names
      add_library(GTest::gtest_main ALIAS gtest_main)
    endif()
  endif()
endfunction()

# ---- Octave's MEX interface
if(BOXGRAPH_OCTAVE)
  find_program(MKOCTFILE mkoctfile)
  find_program(OCTAVE_CLI octave-cli)
  if(NOT MKOCTFILE OR NOT OCTAVE_CLI)
    message(FATAL_ERROR "mkoctfile or octave-cli not found: install Octave "
                        "(Debian: octave liboctave-dev) or configure with -DBOXGRAPH_OCTAVE=OFF")
  endif()
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

# How long listing a test program's tests may take: longer under an emulator
# (Wine), whose first start creates its prefix.
set(BOXGRAPH_DISCOVERY_TIMEOUT 5)
if(CMAKE_CROSSCOMPILING)
  set(BOXGRAPH_DISCOVERY_TIMEOUT 120)
endif()

set(BOXGRAPH_HOSTLESS_DIR ${CMAKE_BINARY_DIR}/hostless)
set(BOXGRAPH_OCTAVE_DIR ${CMAKE_BINARY_DIR}/octave)

# boxgraph_add_module(NAME name [TESTS ...] [OCTAVE_TESTS ...])
#
# Adds the module `name` of modules.mk, built from its source list there:
#   <name>          hostless module, <build>/hostless/<name>.so, linked to our host model;
#   <name>_octave   Octave MEX file, <build>/octave/[<name>_DIR/]<name>.mex.
# TESTS are GoogleTest sources run against the hostless module, whose path they
# get as MODULE_PATH, and linked with the test harness. OCTAVE_TESTS are
# Octave test scripts (%!test blocks), run headless by octave-cli with
# <build>/octave on the path.
function(boxgraph_add_module)
  cmake_parse_arguments(M "" "NAME" "TESTS;OCTAVE_TESTS" ${ARGN})
  if(NOT DEFINED BOXGRAPH_MK_${M_NAME}_SOURCES)
    message(FATAL_ERROR "modules.mk has no ${M_NAME}_SOURCES")
  endif()
  set(sources)
  set(libs)
  foreach(item ${BOXGRAPH_MK_${M_NAME}_SOURCES})
    if(item MATCHES "^\\$\\(LIB_([A-Z_]+)\\)$")
      string(TOLOWER ${CMAKE_MATCH_1} group)
      list(APPEND libs boxgraph_${group})
    else()
      list(APPEND sources ${PROJECT_SOURCE_DIR}/${item})
    endif()
  endforeach()

  if(BOXGRAPH_HOSTLESS)
    add_library(${M_NAME} MODULE ${sources})
    target_link_libraries(${M_NAME} PRIVATE boxgraph_host gateway ${libs})
    set_target_properties(${M_NAME} PROPERTIES PREFIX "" LIBRARY_OUTPUT_DIRECTORY
                          ${BOXGRAPH_HOSTLESS_DIR})
    if(WIN32)  # the names a Windows host loads
      if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set_target_properties(${M_NAME} PROPERTIES SUFFIX ".mexw64")
      else()
        set_target_properties(${M_NAME} PROPERTIES SUFFIX ".mexw32")
      endif()
    endif()
  endif()
  if(BOXGRAPH_TESTS)
    foreach(test_source ${M_TESTS})
      get_filename_component(test_name ${test_source} NAME_WE)
      add_executable(${test_name} ${test_source})
      target_link_libraries(${test_name} PRIVATE boxgraph_testing ${libs})
      target_compile_definitions(${test_name} PRIVATE MODULE_PATH="$<TARGET_FILE:${M_NAME}>")
      add_dependencies(${test_name} ${M_NAME})
      gtest_discover_tests(${test_name} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${M_NAME}."
                           DISCOVERY_TIMEOUT ${BOXGRAPH_DISCOVERY_TIMEOUT})
    endforeach()
  endif()

  if(BOXGRAPH_OCTAVE)
    set(out_dir ${BOXGRAPH_OCTAVE_DIR})
    if(DEFINED BOXGRAPH_MK_${M_NAME}_DIR)
      set(out_dir ${BOXGRAPH_OCTAVE_DIR}/${BOXGRAPH_MK_${M_NAME}_DIR})
    endif()
    # The m-file that carries the function's help goes beside the MEX file,
    # which Octave runs in its place.
    if(EXISTS ${CMAKE_CURRENT_SOURCE_DIR}/${M_NAME}.m)
      configure_file(${CMAKE_CURRENT_SOURCE_DIR}/${M_NAME}.m ${out_dir}/${M_NAME}.m COPYONLY)
    endif()
    add_library(${M_NAME}_octave MODULE ${sources})
    target_link_libraries(${M_NAME}_octave PRIVATE octave_mex gateway ${libs})
    set_target_properties(${M_NAME}_octave PROPERTIES PREFIX "" SUFFIX ".mex" OUTPUT_NAME
                          ${M_NAME} LIBRARY_OUTPUT_DIRECTORY ${out_dir})
    if(BOXGRAPH_TESTS)
      foreach(script ${M_OCTAVE_TESTS})
        get_filename_component(script_name ${script} NAME_WE)
        boxgraph_add_octave_test(${M_NAME}.octave.${script_name}
                                 ${CMAKE_CURRENT_SOURCE_DIR}/${script})
      endforeach()
    endif()
  endif()
endfunction()

# Runs the %!test blocks of an Octave script headless, with the Octave MEX
# files and any further folders on the path; fails when any block fails.
function(boxgraph_add_octave_test name script)
  set(paths)
  foreach(folder ${BOXGRAPH_OCTAVE_DIR} ${ARGN})
    list(APPEND paths --path ${folder})
  endforeach()
  add_test(NAME ${name}
           COMMAND ${OCTAVE_CLI} --no-gui --no-history --no-init-file --no-window-system ${paths}
                   --eval "exit(!test('${script}', 'quiet', stdout))")
endfunction()

# boxgraph_add_test(NAME name SOURCES ... LIBS ...): a GoogleTest executable of
# hostless tests (library modules, or anything that needs no module file).
function(boxgraph_add_test)
  cmake_parse_arguments(T "" "NAME" "SOURCES;LIBS" ${ARGN})
  add_executable(${T_NAME} ${T_SOURCES})
  target_link_libraries(${T_NAME} PRIVATE boxgraph_testing ${T_LIBS})
  gtest_discover_tests(${T_NAME} DISCOVERY_MODE PRE_TEST TEST_PREFIX "${T_NAME}."
                       DISCOVERY_TIMEOUT ${BOXGRAPH_DISCOVERY_TIMEOUT})
endfunction()
