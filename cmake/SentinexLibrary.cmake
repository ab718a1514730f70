# sentinex_library(NAME FOLDER [DEPS...]): one static library from every source under src/FOLDER,
# subfolders included. Its headers are reached as "FOLDER/...", through an include folder that holds
# only FOLDER, by the library itself and by whatever links it. DEPS (the libraries below it) are linked
# PRIVATE, so their headers reach this library's sources but not the libraries above: an include that
# climbs a layer up, or that skips a library the folder does not link, fails to build.
function(sentinex_library name folder)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS
       ${PROJECT_SOURCE_DIR}/src/${folder}/*.cpp ${PROJECT_SOURCE_DIR}/src/${folder}/*.hpp
       ${PROJECT_SOURCE_DIR}/src/${folder}/*.ui ${PROJECT_SOURCE_DIR}/src/${folder}/*.qrc)
  add_library(${name} STATIC ${_srcs})
  set(_inc ${CMAKE_BINARY_DIR}/include/${name})
  if(NOT EXISTS ${_inc}/${folder})
    file(MAKE_DIRECTORY ${_inc})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/src/${folder} ${_inc}/${folder} SYMBOLIC)
  endif()
  target_include_directories(${name} PUBLIC ${_inc})
  target_link_libraries(${name} PRIVATE ${ARGN})
endfunction()

# sentinex_test_suite(NAME DIR LIBS...): one GoogleTest executable from every *_test.cpp under a tests/
# folder, subfolders included.
function(sentinex_test_suite name dir)
  file(GLOB_RECURSE _srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT _srcs)
    message(WARNING "${dir} holds no *_test.cpp yet: no ${name}")
    return()
  endif()
  add_executable(${name} ${_srcs})
  target_link_libraries(${name} PRIVATE ${ARGN})
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen;SENTINEX_BIN_DIR=${CMAKE_BINARY_DIR}/bin;SENTINEX_SOURCE_DIR=${PROJECT_SOURCE_DIR}")
endfunction()
