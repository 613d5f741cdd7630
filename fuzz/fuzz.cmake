# A short run of every fuzz target as a test (label fuzz), when clang is there.
# The targets themselves are built by scripts/fuzz.sh in a build of their own.
find_program(TDE_CLANGXX clang++)
if(TDE_CLANGXX)
  add_test(NAME fuzz_smoke COMMAND sh ${CMAKE_SOURCE_DIR}/scripts/fuzz.sh smoke 20000)
  set_tests_properties(fuzz_smoke PROPERTIES LABELS fuzz TIMEOUT 1800
    ENVIRONMENT "TDE_FUZZ_BUILD=${CMAKE_BINARY_DIR}/fuzz")
endif()
