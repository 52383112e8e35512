# tavshsl_sources(VAR DIR...): the .cpp files below the given folders, picked
# up again whenever a file is added.
function(tavshsl_sources var)
  set(files)
  foreach(dir ${ARGN})
    file(GLOB_RECURSE found CONFIGURE_DEPENDS ${dir}/*.cpp)
    list(APPEND files ${found})
  endforeach()
  set(${var} ${files} PARENT_SCOPE)
endfunction()

# tavshsl_test(NAME DIR LIBS...): one GoogleTest program from the .cpp files of
# a test folder, registered with CTest. Folders without sources are skipped.
function(tavshsl_test name dir)
  tavshsl_sources(files ${dir})
  if(NOT files)
    return()
  endif()
  add_executable(${name} ${files})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gmock GTest::gtest_main)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 300)
endfunction()

# tavshsl_bench(NAME DIR LIBS...): one Google Benchmark program from a folder.
function(tavshsl_bench name dir)
  tavshsl_sources(files ${dir})
  if(NOT files)
    return()
  endif()
  add_executable(${name} ${files})
  target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark benchmark::benchmark_main)
endfunction()
