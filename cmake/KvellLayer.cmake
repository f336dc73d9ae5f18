# One static library per product folder, linked only to the layers it declares.
#
#   kvell_layer(payload USES diag fs SOURCES ... WINDOWS ... POSIX ...)
#
# makes kvell_payload from SOURCES plus the WINDOWS or POSIX half, and records
# "payload: diag fs" for check_layers.py, which fails the build when a file
# includes a header of a layer it does not use (directly or through another).

set_property(GLOBAL PROPERTY KVELL_LAYER_LINES "")
if(NOT WIN32)
  find_package(Python3 REQUIRED COMPONENTS Interpreter)
endif()

function(kvell_layer name)
  cmake_parse_arguments(L "" "" "USES;SOURCES;WINDOWS;POSIX" ${ARGN})
  set(sources ${L_SOURCES})
  if(WIN32)
    list(APPEND sources ${L_WINDOWS})
  else()
    list(APPEND sources ${L_POSIX})
  endif()
  add_library(kvell_${name} STATIC ${sources})
  target_link_libraries(kvell_${name} PUBLIC kvell_build_settings)
  foreach(used IN LISTS L_USES)
    target_link_libraries(kvell_${name} PUBLIC kvell_${used})
  endforeach()
  kvell_declare_layer(${name} ${L_USES})
endfunction()

# A layer whose library is made elsewhere (the build tool): only its uses.
function(kvell_declare_layer name)
  list(JOIN ARGN " " used)
  set_property(GLOBAL APPEND PROPERTY KVELL_LAYER_LINES "${name}: ${used}")
endfunction()

# Writes the declared layers and checks every include against them, at build
# time (target kvell_layers, which the product libraries wait for) and as a test.
function(kvell_check_layers)
  if(WIN32)
    return()  # the host half checks the same sources
  endif()
  get_property(lines GLOBAL PROPERTY KVELL_LAYER_LINES)
  list(JOIN lines "\n" text)
  set(file ${CMAKE_BINARY_DIR}/layers.txt)
  file(WRITE ${file}.new "${text}\n")
  configure_file(${file}.new ${file} COPYONLY)
  file(GLOB_RECURSE product_sources CONFIGURE_DEPENDS
    ${CMAKE_SOURCE_DIR}/fs/*.h ${CMAKE_SOURCE_DIR}/fs/*.cpp
    ${CMAKE_SOURCE_DIR}/diag/*.h ${CMAKE_SOURCE_DIR}/diag/*.cpp
    ${CMAKE_SOURCE_DIR}/payload/*.h ${CMAKE_SOURCE_DIR}/payload/*.cpp
    ${CMAKE_SOURCE_DIR}/jvm/*.h ${CMAKE_SOURCE_DIR}/jvm/*.cpp
    ${CMAKE_SOURCE_DIR}/launch/*.h ${CMAKE_SOURCE_DIR}/launch/*.cpp
    ${CMAKE_SOURCE_DIR}/instance/*.h ${CMAKE_SOURCE_DIR}/instance/*.cpp
    ${CMAKE_SOURCE_DIR}/installer/*.h ${CMAKE_SOURCE_DIR}/installer/*.cpp
    ${CMAKE_SOURCE_DIR}/launcher/*.h ${CMAKE_SOURCE_DIR}/launcher/*.cpp
    ${CMAKE_SOURCE_DIR}/tools/*.h ${CMAKE_SOURCE_DIR}/tools/*.cpp)
  set(stamp ${CMAKE_BINARY_DIR}/layers.ok)
  add_custom_command(OUTPUT ${stamp}
    COMMAND ${Python3_EXECUTABLE} ${CMAKE_SOURCE_DIR}/cmake/check_layers.py ${CMAKE_SOURCE_DIR} ${file} ${stamp}
    DEPENDS ${CMAKE_SOURCE_DIR}/cmake/check_layers.py ${file} ${product_sources}
    COMMENT "Checking includes against the layer order")
  add_custom_target(kvell_layers ALL DEPENDS ${stamp})
  get_property(lines GLOBAL PROPERTY KVELL_LAYER_LINES)
  foreach(line IN LISTS lines)
    string(REGEX REPLACE ":.*" "" name "${line}")
    if(TARGET kvell_${name})
      add_dependencies(kvell_${name} kvell_layers)
    endif()
  endforeach()
endfunction()
