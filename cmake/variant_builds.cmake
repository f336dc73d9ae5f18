# Two small host builds beside the main one, each an ExternalProject of these
# sources with KVELL_VARIANT set (see cmake/host.cmake for their flags) that
# builds only its own test programs:
#   build/fuzz  clang, libFuzzer with AddressSanitizer and UBSan: tests/fuzz
#   build/tsan  ThreadSanitizer: tests/tsan
# Their tests are registered here, in the main build's ctest.
option(KVELL_BUILD_VARIANTS "Build the fuzz targets and the ThreadSanitizer tests" ON)
find_program(KVELL_CLANG clang)
find_program(KVELL_CLANGXX clang++)
if(NOT KVELL_BUILD_VARIANTS)
  return()
endif()
include(ExternalProject)
if(NOT KVELL_CLANG OR NOT KVELL_CLANGXX)
  message(WARNING "clang not found: no fuzz targets and no ThreadSanitizer tests (scripts/setup.sh installs it)")
  return()
endif()

# Release (NDEBUG), as the shipped tools are built: toml++ and the product run
# the code they run there (host.cmake lowers the optimisation to -O1).
function(kvell_variant_build name target)
  # Make's jobserver reaches the inner build only through $(MAKE).
  if(CMAKE_GENERATOR MATCHES "Makefiles")
    set(build_command "$(MAKE)" ${target})
  else()
    set(build_command ${CMAKE_COMMAND} --build <BINARY_DIR> --target ${target})
  endif()
  ExternalProject_Add(kvell_${name}
    SOURCE_DIR ${CMAKE_SOURCE_DIR}
    BINARY_DIR ${CMAKE_BINARY_DIR}/${name}
    CMAKE_ARGS -DCMAKE_C_COMPILER=${KVELL_CLANG} -DCMAKE_CXX_COMPILER=${KVELL_CLANGXX}
               -DCMAKE_BUILD_TYPE=Release -DKVELL_VARIANT=${name} -DKVELL_SANITIZE=OFF
               -DKVELL_JDK_INCLUDE=${KVELL_JDK_INCLUDE}
               -DKVELL_THIRD_PARTY_INCLUDE=${KVELL_THIRD_PARTY_INCLUDE}
    BUILD_COMMAND ${build_command}
    BUILD_ALWAYS ON
    INSTALL_COMMAND ""
    USES_TERMINAL_BUILD ON)
endfunction()

# Each fuzz target runs briefly over its seed corpus (tests/fuzz/corpus/<name>);
# scripts/fuzz.sh runs them long.
kvell_variant_build(fuzz kvell_fuzzers)
file(GLOB _kvell_fuzzers CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/fuzz/*_fuzzer.cpp)
foreach(source IN LISTS _kvell_fuzzers)
  get_filename_component(fuzzer ${source} NAME_WE)
  string(REGEX REPLACE "_fuzzer$" "" name ${fuzzer})
  add_test(NAME fuzz.${name}
    COMMAND bash ${CMAKE_SOURCE_DIR}/tests/fuzz/run_fuzzer.sh ${CMAKE_BINARY_DIR}/fuzz/tests/fuzz/${fuzzer}
            ${CMAKE_SOURCE_DIR}/tests/fuzz/corpus/${name} 5 ${CMAKE_BINARY_DIR}/fuzz-runs/${name} -runs=100000)
  set_tests_properties(fuzz.${name} PROPERTIES LABELS fuzz TIMEOUT 120)
endforeach()

kvell_variant_build(tsan kvell_tsan_tests)
foreach(suite LogTest LogThreads Untar)
  add_test(NAME tsan.${suite}
    COMMAND ${CMAKE_BINARY_DIR}/tsan/tests/tsan/kvell_tsan_tests --gtest_filter=${suite}.*)
  set_tests_properties(tsan.${suite} PROPERTIES LABELS tsan ENVIRONMENT "TSAN_OPTIONS=halt_on_error=1")
endforeach()
