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

# PNG, BMP with larger headers or top-down rows, icons with PNG entries.
find_program(TDE_PNGCHECK pngcheck)
find_program(TDE_PNMTOPNG pnmtopng)
if(EXISTS /usr/bin/convert AND TDE_PNGCHECK AND TDE_PNMTOPNG AND TDE_PYTHON3 AND TARGET tdeconv)
  add_test(NAME interop_png
    COMMAND ${TDE_PYTHON3} ${CMAKE_SOURCE_DIR}/tests/interop/png_interop.py $<TARGET_FILE:tdeconv>)
  set_tests_properties(interop_png PROPERTIES LABELS interop TIMEOUT 600)
endif()

# TIFF, PPM, JPEG and SBF interop in GoogleTest (tests/interop/*_test.cpp): the
# tools run during the test and each case skips when its tool is missing.
file(GLOB TDE_INTEROP_TESTS CONFIGURE_DEPENDS ${CMAKE_SOURCE_DIR}/tests/interop/*_test.cpp)
if(TDE_INTEROP_TESTS)
  add_executable(test_interop ${TDE_INTEROP_TESTS})
  target_compile_options(test_interop PRIVATE ${TDE_FLAGS})
  target_link_libraries(test_interop PRIVATE tde_core GTest::gtest GTest::gtest_main JPEG::JPEG)
  add_test(NAME interop_tiff_ppm_jpeg COMMAND test_interop)
  set_tests_properties(interop_tiff_ppm_jpeg PROPERTIES LABELS interop TIMEOUT 600)
endif()
