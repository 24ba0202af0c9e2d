# One static library per source folder; every .cpp in the folder belongs to it,
# so adding a file never needs a CMake edit.
function(taluvo_library name folder)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _sources)
    # Headers only, so far.
    add_library(${name} INTERFACE)
    target_include_directories(${name} INTERFACE ${PROJECT_SOURCE_DIR}/src)
    if(ARGN)
      target_link_libraries(${name} INTERFACE ${ARGN})
    endif()
    return()
  endif()
  add_library(${name} STATIC ${_sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  taluvo_warnings(${name})
  taluvo_common_headers(${name})
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# Most of a translation unit's compile time is spent parsing the standard
# headers; each library parses the common ones once, into a precompiled header.
function(taluvo_common_headers target)
  if(TALUVO_PCH)
    target_precompile_headers(${target} PRIVATE
      <algorithm> <array> <atomic> <cmath> <cstdint> <cstdio> <cstdlib> <cstring>
      <filesystem> <functional> <limits> <map> <memory> <optional> <string>
      <string_view> <utility> <vector>)
  endif()
endfunction()

function(taluvo_warnings target)
  if(TALUVO_UNITY)
    # In a batch every file sees its neighbours' file-local names (and g++
    # takes the included files for headers), so shadowing and linkage
    # warnings there are about names the files never share; the per-file
    # builds keep them.
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wno-subobject-linkage)
  else()
    target_compile_options(${target} PRIVATE -Wall -Wextra -Wshadow)
  endif()
endfunction()

# One test executable per folder under tests/.
function(taluvo_test name folder)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  taluvo_warnings(${name})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN} taluvo_testsupport GTest::gtest Threads::Threads)
  # Every test file includes GoogleTest; compiling its headers once per
  # executable keeps the sanitizer build short.
  if(TALUVO_PCH)
    target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <algorithm> <cmath> <functional>
                              <memory> <string> <vector> <filesystem>)
  endif()
  add_test(NAME ${name} COMMAND ${name} --gtest_brief=1
           WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(${name} PROPERTIES ENVIRONMENT "TALUVO_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/fixtures")
endfunction()

# One benchmark executable per folder under bench/.
function(taluvo_bench name folder)
  file(GLOB _sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/*.cpp)
  if(NOT _sources)
    return()
  endif()
  add_executable(${name} ${_sources})
  taluvo_warnings(${name})
  target_link_libraries(${name} PRIVATE ${ARGN} benchmark::benchmark benchmark::benchmark_main)
  # Each bench file is a program of its own with its own constants; only the
  # libraries are compiled in batches.
  set_target_properties(${name} PROPERTIES UNITY_BUILD OFF)
endfunction()
