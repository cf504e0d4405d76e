# One static library per source folder, named zel_<folder>, built from every .cpp file of the
# folder (and of its posix/ subfolder, where the platform layer keeps its implementation) but the
# EXCLUDE ones, which belong to a program. Includes are written from the project root:
# #include "util/strings.h". DEPS names the zel_ libraries of exactly the folders that the
# README's layer table gives this folder (scripts/check_layers.py holds the two together), and
# the outside libraries it uses.
function(zel_library name)
  cmake_parse_arguments(ARG "" "" "DEPS;EXCLUDE" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS
       ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp ${CMAKE_CURRENT_SOURCE_DIR}/posix/*.cpp)
  foreach(excluded ${ARG_EXCLUDE})
    list(REMOVE_ITEM sources ${CMAKE_CURRENT_SOURCE_DIR}/${excluded})
  endforeach()
  if(sources)
    add_library(zel_${name} STATIC ${sources})
    target_include_directories(zel_${name} PUBLIC ${PROJECT_SOURCE_DIR})
    target_link_libraries(zel_${name} PUBLIC ${ARG_DEPS})
  else()
    # A folder that holds only headers so far.
    add_library(zel_${name} INTERFACE)
    target_include_directories(zel_${name} INTERFACE ${PROJECT_SOURCE_DIR})
    target_link_libraries(zel_${name} INTERFACE ${ARG_DEPS})
  endif()
endfunction()

# A GoogleTest executable made of every .cpp file in tests/unit/<name>/, registered with CTest
# under the label "unit" so the sanitizer build can run exactly these.
function(zel_unit_tests name)
  cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/unit/${name}/*.cpp)
  add_executable(unit_${name} ${sources})
  target_link_libraries(unit_${name} PRIVATE ${ARG_DEPS} GTest::gtest_main)
  add_test(NAME unit_${name} COMMAND unit_${name})
  set_tests_properties(unit_${name} PROPERTIES LABELS unit)
endfunction()
