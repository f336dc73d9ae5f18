# The Windows half: the Windows test programs and the stand-in runtime (which
# the main job uses too).
if(NOT KVELL_MAIN_ONLY)
  add_subdirectory(tests)
else()
  add_subdirectory(tests/standin)
endif()
