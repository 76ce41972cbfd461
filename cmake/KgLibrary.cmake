# kg_library(NAME DEPS...) turns the current folder into one static library, kg_NAME,
# from every *.cpp that is not a test, and one GoogleTest executable, NAME_test, from
# every *_test.cpp beside it. Files are globbed so that adding a class needs no edit here.
# The library exports the folder's parent, not the folder: its headers are included by the
# name of their layer, "core/Czas.h" from common/source/core, "audio/WaveOut.h" from
# client/audio. Which layer may include which is checked by tests/layers.
function(kg_library name)
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  file(GLOB tests CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*_test.cpp)
  if(tests)
    list(REMOVE_ITEM sources ${tests})
  endif()
  add_library(kg_${name} STATIC ${sources})
  get_filename_component(layers ${CMAKE_CURRENT_SOURCE_DIR} DIRECTORY)
  target_include_directories(kg_${name} PUBLIC ${layers})
  target_link_libraries(kg_${name} PUBLIC ${ARGN})
  if(tests)
    add_executable(${name}_test ${tests})
    target_link_libraries(${name}_test PRIVATE kg_${name} kg_test_support GTest::gtest GTest::gtest_main GTest::gmock)
    gtest_discover_tests(${name}_test DISCOVERY_MODE PRE_TEST
      WORKING_DIRECTORY ${CMAKE_BINARY_DIR}
      PROPERTIES ENVIRONMENT "KG_SOURCE_DIR=${CMAKE_SOURCE_DIR}" LABELS ${name})
  endif()
endfunction()
