# Helpers shared by the folders' CMakeLists.

# A static library of every .cpp in the calling folder (but main.cpp),
# with src/ as the include root.
function(quorbel_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  list(FILTER sources EXCLUDE REGEX "/main\\.cpp$")
  if(NOT sources)
    # A folder whose sources are still to come builds an empty library.
    set(empty ${CMAKE_CURRENT_BINARY_DIR}/${name}_empty.cpp)
    file(CONFIGURE OUTPUT ${empty} CONTENT "// no sources yet\n")
    set(sources ${empty})
  endif()
  add_library(${name} STATIC ${sources})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
endfunction()

# Adds every immediate subfolder of `dir` that has a CMakeLists.txt, so that
# tools, tests and benchmarks can be added without touching this file.
function(quorbel_add_children dir)
  file(GLOB children LIST_DIRECTORIES true ${PROJECT_SOURCE_DIR}/${dir}/*)
  list(SORT children)
  foreach(child ${children})
    if(IS_DIRECTORY ${child} AND EXISTS ${child}/CMakeLists.txt)
      add_subdirectory(${child})
    endif()
  endforeach()
endfunction()

# gtest_discover_tests for tests that open a window or an audio device:
# they run on SDL's offscreen video and dummy audio drivers, so that they
# need no display and never play sound. (gtest_discover_tests itself splits
# a list value such as "A=1;B=2" into separate properties, which loses
# every variable but the first and the properties after it; so the
# variables are set by a script ctest reads after the discovered tests.)
function(quorbel_headless_tests target)
  gtest_discover_tests(${target} ${ARGN})
  set(script ${CMAKE_CURRENT_BINARY_DIR}/${target}_headless.cmake)
  file(WRITE ${script}
    "if(${target}_TESTS)\n"
    "  set_tests_properties(\${${target}_TESTS} PROPERTIES ENVIRONMENT\n"
    "    \"SDL_VIDEODRIVER=offscreen;SDL_AUDIODRIVER=dummy\")\n"
    "endif()\n")
  set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES ${script})
endfunction()
