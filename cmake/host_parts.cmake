# The host half after the product libraries: the Java side, the sample, the
# Windows half (the same configure builds it with the MinGW toolchain) and the tests.
add_subdirectory(java)
add_subdirectory(examples/hello)

option(KVELL_BUILD_WINDOWS "Cross-build the Windows executables" ON)
if(KVELL_BUILD_WINDOWS)
  include(ExternalProject)
  set(KVELL_WINDOWS_DIR ${CMAKE_BINARY_DIR}/windows)
  ExternalProject_Add(kvell_windows
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${KVELL_WINDOWS_DIR}
    CMAKE_ARGS -DCMAKE_TOOLCHAIN_FILE=${CMAKE_SOURCE_DIR}/cmake/mingw-w64-x86_64.cmake
               -DKVELL_JDK_INCLUDE=${KVELL_JDK_INCLUDE}
               -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
               -DKVELL_MAIN_ONLY=${KVELL_MAIN_ONLY}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endif()

if(NOT KVELL_MAIN_ONLY)
  add_subdirectory(tests)
  include(cmake/variant_builds.cmake)
  # The product's includes against its layers, and the check itself.
  add_test(NAME layers.includes
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_layers.py ${CMAKE_SOURCE_DIR} ${CMAKE_BINARY_DIR}/layers.txt)
  add_test(NAME layers.check
    COMMAND ${Python3_EXECUTABLE} -m unittest -q test_check_layers
    WORKING_DIRECTORY ${CMAKE_SOURCE_DIR}/tests/layers)
endif()
