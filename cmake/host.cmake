# The host half (Linux, g++): the portable code under the sanitizers, the build
# tool, the host runner, the Java side and the tests.
option(KVELL_SANITIZE "Build the host code with AddressSanitizer and UBSan" ON)
if(KVELL_VARIANT STREQUAL "fuzz")
  # Coverage for libFuzzer everywhere; only the fuzz targets link its main.
  add_compile_options(-O1 -g -fno-omit-frame-pointer -fsanitize=fuzzer-no-link,address,undefined
                      -fno-sanitize-recover=all)
  add_link_options(-fsanitize=address,undefined)
elseif(KVELL_VARIANT STREQUAL "tsan")
  add_compile_options(-O1 -g -fsanitize=thread)
  add_link_options(-fsanitize=thread)
elseif(KVELL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
target_include_directories(kvell_build_settings SYSTEM INTERFACE ${KVELL_JDK_INCLUDE} ${KVELL_JDK_INCLUDE}/linux)
target_link_libraries(kvell_build_settings INTERFACE ${CMAKE_DL_LIBS})
# The runtime archive reader (installer/) uses zlib, as the Windows half does.
find_package(ZLIB REQUIRED)
enable_testing()
