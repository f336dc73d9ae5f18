# Sources of the JVM location subsystem (included by the top-level CMakeLists).
list(APPEND KVELL_PORTABLE_SOURCES
  jvm/jvm_library.cpp
)
