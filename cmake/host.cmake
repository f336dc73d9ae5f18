# The host half (Linux, g++): the portable code under the sanitizers, the build
# tool, the host runner, the Java side and the tests.
option(KVELL_SANITIZE "Build the host code with AddressSanitizer and UBSan" ON)
if(KVELL_SANITIZE)
  add_compile_options(-fsanitize=address,undefined -fno-omit-frame-pointer)
  add_link_options(-fsanitize=address,undefined)
endif()
target_include_directories(kvell_build_settings SYSTEM INTERFACE ${KVELL_JDK_INCLUDE} ${KVELL_JDK_INCLUDE}/linux)
target_link_libraries(kvell_build_settings INTERFACE ${CMAKE_DL_LIBS})
enable_testing()
