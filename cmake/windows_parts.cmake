# The Windows half: the Windows test programs and the stand-in runtime (which
# the main job uses too).
if(KVELL_TESTS)
  add_subdirectory(tests)
else()
  add_subdirectory(tests/standin)
endif()
