# The Win32 program and its Wine tests. winelib needs wineg++ as the compiler,
# so they live in a nested CMake build (build/wine) driven from here; the tests
# are registered in this build so that one ctest runs every tier.
option(TDE_WINE "Build the Win32 program with winelib" ON)
find_program(TDE_WINEGXX wineg++)
find_program(TDE_WINEGCC winegcc)
find_program(TDE_WRC wrc)
if(NOT TDE_WINE)
  return()
endif()
if(NOT TDE_WINEGXX OR NOT TDE_WINEGCC OR NOT TDE_WRC)
  message(WARNING "wineg++/wrc not found: the Win32 program is not built (run scripts/setup.sh)")
  return()
endif()

include(ExternalProject)
set(TDE_WINE_DIR ${CMAKE_BINARY_DIR}/wine)
ExternalProject_Add(tde_wine
  SOURCE_DIR ${CMAKE_SOURCE_DIR}/cmake/winelib
  BINARY_DIR ${TDE_WINE_DIR}
  CMAKE_ARGS
    -DCMAKE_CXX_COMPILER=${TDE_WINEGXX}
    -DCMAKE_C_COMPILER=${TDE_WINEGCC}
    -DCMAKE_BUILD_TYPE=${CMAKE_BUILD_TYPE}
    -DTDE_SOURCE_DIR=${CMAKE_SOURCE_DIR}
    -DTDE_WRC=${TDE_WRC}
    # wineg++ hides the ABI probe, so say where Debian keeps the libraries.
    -DCMAKE_LIBRARY_ARCHITECTURE=${CMAKE_LIBRARY_ARCHITECTURE}
  BUILD_ALWAYS ON
  INSTALL_COMMAND ""
  BUILD_BYPRODUCTS ${TDE_WINE_DIR}/tde.exe.so ${TDE_WINE_DIR}/tde_wine_test.exe.so)

set(TDE_SCRIPTS ${CMAKE_SOURCE_DIR}/scripts)
set(TDE_XVFB_STATE ${CMAKE_BINARY_DIR}/xvfb.state)
set(TDE_ARTIFACTS ${CMAKE_BINARY_DIR}/artifacts)
set(TDE_CUPS_DIR ${CMAKE_BINARY_DIR}/cups)
file(MAKE_DIRECTORY ${TDE_ARTIFACTS})
set(TDE_WINE_TEST_ENV
  "TDE_XVFB_STATE=${TDE_XVFB_STATE}"
  "TDE_EXE=${TDE_WINE_DIR}/tde.exe"
  "TDE_TDECONV=$<TARGET_FILE:tdeconv>"
  "TDE_ARTIFACTS=${TDE_ARTIFACTS}"
  "TDE_CUPS_DIR=${TDE_CUPS_DIR}"
  "TDE_SOURCE_DIR=${CMAKE_SOURCE_DIR}")

# Fixtures: the project's Wine prefix, and an X server when there is no display.
add_test(NAME wine_prefix COMMAND bash ${TDE_SCRIPTS}/setup.sh --prefix-only)
set_tests_properties(wine_prefix PROPERTIES FIXTURES_SETUP wineprefix LABELS "wine;e2e")
add_test(NAME xvfb_start COMMAND bash ${TDE_SCRIPTS}/xvfb.sh start ${TDE_XVFB_STATE})
set_tests_properties(xvfb_start PROPERTIES FIXTURES_SETUP display LABELS "wine;e2e")
add_test(NAME xvfb_stop COMMAND bash ${TDE_SCRIPTS}/xvfb.sh stop ${TDE_XVFB_STATE})
set_tests_properties(xvfb_stop PROPERTIES FIXTURES_CLEANUP display LABELS "wine;e2e")
# A private CUPS scheduler with a PDF printer for the printing test.
add_test(NAME cups_start COMMAND bash ${TDE_SCRIPTS}/cups.sh start ${TDE_CUPS_DIR})
set_tests_properties(cups_start PROPERTIES FIXTURES_SETUP cups LABELS e2e)
add_test(NAME cups_stop COMMAND bash ${TDE_SCRIPTS}/cups.sh stop ${TDE_CUPS_DIR})
set_tests_properties(cups_stop PROPERTIES FIXTURES_CLEANUP cups LABELS e2e)

# GoogleTest binary from tests/wine, run inside Wine in two parts (the tool
# gestures, and the rest) so that each reports and times out on its own.
# Tests that show windows take turns on the display: a new window takes the
# keyboard focus.
set(TDE_WINE_GESTURES "Gesture.*:Tools/*:Depths/*")
foreach(part gestures windows)
  if(part STREQUAL "gestures")
    set(filter "${TDE_WINE_GESTURES}")
  else()
    set(filter "-${TDE_WINE_GESTURES}")
  endif()
  add_test(NAME wine_${part}
    COMMAND bash ${TDE_SCRIPTS}/wine-env.sh ${TDE_WINE_DIR}/tde_wine_test.exe --gtest_filter=${filter})
  set_tests_properties(wine_${part} PROPERTIES LABELS wine ENVIRONMENT "${TDE_WINE_TEST_ENV}"
    FIXTURES_REQUIRED "wineprefix;display" RESOURCE_LOCK x_display TIMEOUT 900)
endforeach()

# End-to-end tests: each script in tests/e2e drives the real program.
file(GLOB TDE_E2E_SCRIPTS CONFIGURE_DEPENDS
  ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.sh ${CMAKE_SOURCE_DIR}/tests/e2e/*_test.py)
foreach(script ${TDE_E2E_SCRIPTS})
  get_filename_component(name ${script} NAME_WE)
  string(REGEX REPLACE "_test$" "" name ${name})
  if(script MATCHES "\\.py$")
    set(runner python3)
  else()
    set(runner bash)
  endif()
  add_test(NAME e2e_${name} COMMAND bash ${TDE_SCRIPTS}/wine-env.sh ${runner} ${script})
  set(timeout 300)
  if(name STREQUAL "monkey")
    set(timeout 1200)
  elseif(name STREQUAL "savefault")
    set(timeout 600)
  endif()
  set_tests_properties(e2e_${name} PROPERTIES LABELS e2e ENVIRONMENT "${TDE_WINE_TEST_ENV}"
    FIXTURES_REQUIRED "wineprefix;display" RESOURCE_LOCK x_display TIMEOUT ${timeout})
  if(name MATCHES "^print")
    set_tests_properties(e2e_${name} PROPERTIES FIXTURES_REQUIRED "wineprefix;display;cups")
  endif()
endforeach()
