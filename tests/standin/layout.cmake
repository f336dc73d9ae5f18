# Lays out a stand-in Java runtime home.
#
#   cmake -DSTANDIN_BIN=<dir holding java.exe, javaw.exe, unpack200.exe, jvm.dll>
#         -DHOME=<runtime home to create>
#         [-DKINDS=server;client]   VM kinds that get bin/<kind>/jvm.dll (default: server)
#         [-DJDK=ON]                a JDK: bin/java(w).exe and lib/tools.jar at HOME,
#                                   the runtime itself under HOME/jre
#         [-DPACKED=ON]             lib/*.jar as stand-in Pack200 files, not yet restored
#         -P layout.cmake
#
# HOME is replaced as a whole; a directory that is not a runtime home is refused.

foreach(_required STANDIN_BIN HOME)
  if(NOT ${_required})
    message(FATAL_ERROR "layout.cmake: -D${_required}=... is required")
  endif()
endforeach()
foreach(_tool java.exe javaw.exe unpack200.exe jvm.dll)
  if(NOT EXISTS "${STANDIN_BIN}/${_tool}")
    message(FATAL_ERROR "layout.cmake: ${STANDIN_BIN}/${_tool} not found; build the stand-ins first")
  endif()
endforeach()
if(NOT KINDS)
  set(KINDS server)
endif()

if(EXISTS "${HOME}")
  file(GLOB _content "${HOME}/*")
  if(_content AND NOT EXISTS "${HOME}/bin/java.exe")
    message(FATAL_ERROR "layout.cmake: ${HOME} is not empty and not a runtime home; not replacing it")
  endif()
  file(REMOVE_RECURSE "${HOME}")
endif()

# A placeholder jar, or its stand-in Pack200 form: the line KVELLPACK, then the
# jar's bytes (what unpack200.exe of the stand-in restores).
function(_standin_jar lib name packed)
  set(_content "standin placeholder for ${name}\n")
  if(packed)
    file(WRITE "${lib}/${name}.pack" "KVELLPACK\n${_content}")
  else()
    file(WRITE "${lib}/${name}" "${_content}")
  endif()
endfunction()

function(_standin_runtime home)
  file(COPY "${STANDIN_BIN}/java.exe" "${STANDIN_BIN}/javaw.exe" "${STANDIN_BIN}/unpack200.exe"
       DESTINATION "${home}/bin")
  foreach(_kind IN LISTS KINDS)
    file(COPY "${STANDIN_BIN}/jvm.dll" DESTINATION "${home}/bin/${_kind}")
  endforeach()
  # The jars that Pack200 restoration handles; plugin.jar and deploy.jar are
  # left out, as a runtime without them is fine.
  foreach(_jar rt.jar charsets.jar ext/localedata.jar jsse.jar)
    get_filename_component(_dir "${home}/lib/${_jar}" DIRECTORY)
    get_filename_component(_name "${_jar}" NAME)
    file(MAKE_DIRECTORY "${_dir}")
    _standin_jar("${_dir}" "${_name}" "${PACKED}")
  endforeach()
endfunction()

if(JDK)
  _standin_runtime("${HOME}/jre")
  # The JDK's own launchers; its bin has no jvm.dll, so loading goes on to jre/bin.
  file(COPY "${STANDIN_BIN}/java.exe" "${STANDIN_BIN}/javaw.exe" DESTINATION "${HOME}/bin")
  file(WRITE "${HOME}/lib/tools.jar" "standin placeholder for tools.jar\n")
else()
  _standin_runtime("${HOME}")
endif()
