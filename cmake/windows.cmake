# The Windows half (MinGW-w64 cross build): settings every target shares.
target_compile_definitions(kvell_build_settings INTERFACE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
target_include_directories(kvell_build_settings BEFORE INTERFACE ${CMAKE_SOURCE_DIR}/launch/jni_win)
target_include_directories(kvell_build_settings SYSTEM INTERFACE ${KVELL_JDK_INCLUDE})
find_library(KVELL_ZLIB NAMES libz.a z REQUIRED)
# Statically linked: the programs need nothing but Windows.
set(KVELL_WINDOWS_STATIC_LINK -static -static-libgcc -static-libstdc++)
