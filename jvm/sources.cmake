# Sources of the JVM location subsystem (included by the top-level CMakeLists).
list(APPEND KVELL_PORTABLE_SOURCES
  jvm/jvm_library.cpp
  jvm/version_rules.cpp
  jvm/registry_values.cpp
  jvm/version_cache.cpp
  jvm/java_version.cpp
  jvm/java_check.cpp
  jvm/registry_jvms.cpp
  jvm/located_jvms.cpp
  jvm/jvm_search.cpp
  jvm/load_dll.cpp
  installer/pack200.cpp
)
# The narrow layer of registry, child processes and search path.
list(APPEND KVELL_WINDOWS_SOURCES jvm/jvm_platform_win.cpp)
list(APPEND KVELL_POSIX_SOURCES jvm/jvm_platform_posix.cpp)
