# sentinex_library(NAME DIR DEPS...): one static library from every .cpp of a src/ folder.
function(sentinex_library name)
  file(GLOB _srcs CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
  add_library(${name} STATIC ${_srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARGN})
endfunction()

# sentinex_test_suite(NAME DIR LIBS...): one GoogleTest executable from every *_test.cpp of a tests/ folder.
function(sentinex_test_suite name dir)
  file(GLOB _srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp ${dir}/*/*_test.cpp)
  if(NOT _srcs)
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARGN})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SENTINEX_BIN_DIR=${CMAKE_BINARY_DIR}/bin;SENTINEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
