# Interop with ImageMagick and netpbm through tdeconv (label interop), when
# those tools are installed.
find_program(TDE_IM_CONVERT convert)
find_program(TDE_BMPTOPNM bmptopnm)
find_program(TDE_PYTHON3 python3)
if(TDE_IM_CONVERT AND TDE_BMPTOPNM AND TDE_PYTHON3 AND TARGET tdeconv)
  add_test(NAME interop_formats
    COMMAND ${TDE_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/interop/interop.py $<TARGET_FILE:tdeconv>)
  set_tests_properties(interop_formats PROPERTIES LABELS interop TIMEOUT 600)
endif()
