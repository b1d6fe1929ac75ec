# zorrit_library(NAME SOURCES...): a static library, or an interface library
# while the folder has no sources yet.
function(zorrit_library name)
  if(ARGN)
    add_library(${name} STATIC ${ARGN})
    set(${name}_KIND PUBLIC PARENT_SCOPE)
  else()
    add_library(${name} INTERFACE)
  endif()
endfunction()

# zorrit_link(NAME DEPENDENCIES...): link, whichever kind NAME is.
function(zorrit_link name)
  get_target_property(type ${name} TYPE)
  if(type STREQUAL "INTERFACE_LIBRARY")
    target_link_libraries(${name} INTERFACE ${ARGN})
  else()
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# zorrit_test(NAME SOURCES... LIBS ...): a GoogleTest executable run by ctest,
# linked with the headless platform (no display, no sound card, no joystick).
function(zorrit_test name)
  cmake_parse_arguments(T "" "" "LIBS" ${ARGN})
  add_executable(${name} ${T_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${T_LIBS} zorrit_platform_headless GTest::gtest_main)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "SDL_VIDEODRIVER=dummy;SDL_AUDIODRIVER=dummy" TIMEOUT 300)
endfunction()

# zorrit_add_subfolders(): adds every subfolder of the current folder that has
# a CMakeLists.txt (one tool, test group, benchmark or fuzz set per folder).
function(zorrit_add_subfolders)
  file(GLOB entries LIST_DIRECTORIES true CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*)
  foreach(entry IN LISTS entries)
    if(IS_DIRECTORY ${entry} AND EXISTS ${entry}/CMakeLists.txt)
      add_subdirectory(${entry})
    endif()
  endforeach()
endfunction()
