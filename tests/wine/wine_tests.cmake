# Tests that run this build's Windows programs under Wine (label "wine";
# ctest -L wine, or -LE wine to leave them out), each Wine prefix made fresh
# and reporting the Windows version of the run.
#
# The i686 build, the product, runs under 32-bit Wine (WINEARCH=win32) as
# Windows 95, 98 and NT 4: the platform conformance suite on each, the page
# host once (Windows 98), SETUP.EXE /M's start once (Windows 95), and SETUP.EXE /S installing the sample from drive D
# compared with the simulated machine's run of the same CD on each system,
# on NT 4 once more without the driver component so that the phases after
# the driver step are compared there too (Wine's device installer ends the
# driver step).
#
# The x86_64 build runs only the conformance suite, as NT 4 under wine64: the
# device installer's structures in their 64-bit layout and registry roots
# as 64-bit handles, which no 32-bit run reaches.
set(wine_run ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
set(with_display ${CMAKE_CURRENT_LIST_DIR}/with_display.sh)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(wine_arch win64)
  set(conformance_versions nt40)
else()
  set(wine_arch win32)
  set(conformance_versions win95 win98 nt40)
endif()

foreach(version IN LISTS conformance_versions)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-${version})
  add_test(NAME wine_prefix_${version} COMMAND ${wine_run} --fresh ${prefix} ${version})
  set_tests_properties(wine_prefix_${version} PROPERTIES
                       FIXTURES_SETUP wine_${version} LABELS wine RESOURCE_LOCK wine_${version} TIMEOUT 300
                       ENVIRONMENT WINEARCH=${wine_arch})
  add_test(NAME wine_conformance_${version}
           COMMAND ${wine_run} ${prefix} ${version} $<TARGET_FILE:platform_conformance_tests>)
  set_tests_properties(wine_conformance_${version} PROPERTIES
                       FIXTURES_REQUIRED wine_${version} LABELS wine TIMEOUT 600 RESOURCE_LOCK wine_${version}
                       ENVIRONMENT "WINEARCH=${wine_arch};SETUP_EXPECTED_WINDOWS=${version}")
endforeach()

if(wine_arch STREQUAL "win64")
  return()
endif()

# The page host on a real property sheet, with a display of its own.
add_test(NAME wine_wizard_host_win98
         COMMAND ${with_display} ${wine_run} ${CMAKE_BINARY_DIR}/wineprefix-win98 win98
                 $<TARGET_FILE:wizard_host_tests>)
set_tests_properties(wine_wizard_host_win98 PROPERTIES
                     FIXTURES_REQUIRED wine_win98 LABELS wine TIMEOUT 600 RESOURCE_LOCK wine_win98
                     ENVIRONMENT WINEARCH=${wine_arch})

# SETUP.EXE /M on the oldest system: start-up and the hidden wizard of a
# minimal installation run and the program ends by itself.
add_test(NAME wine_smoke_setup_win95
         COMMAND ${CMAKE_CURRENT_LIST_DIR}/smoke_setup.sh ${CMAKE_BINARY_DIR}/wineprefix-win95 win95 ${CMAKE_BINARY_DIR}
                 ${CMAKE_BINARY_DIR}/sample)
set_tests_properties(wine_smoke_setup_win95 PROPERTIES
                     FIXTURES_REQUIRED wine_win95 LABELS wine TIMEOUT 600 RESOURCE_LOCK wine_win95
                     ENVIRONMENT "WINEARCH=${wine_arch};SETUP_EXPECTED_WINDOWS=win95")

# SETUP.EXE /S installs the sample in a prefix of its own, and the simulated
# machine's run of the same CD leaves the same files and registry values.
set(SETUP_WINSIM ${PROJECT_SOURCE_DIR}/build/linux/tools/winsim/winsim CACHE FILEPATH
    "winsim of a Linux build, for the comparison of SETUP.EXE /S under Wine with the simulated machine")
foreach(comparison win95 win98 nt40 nt40-no-driver)
  string(REPLACE "-" "_" name ${comparison})
  add_test(NAME wine_install_sample_${name}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_compare.sh ${comparison} ${CMAKE_BINARY_DIR} ${SETUP_WINSIM})
  set_tests_properties(wine_install_sample_${name} PROPERTIES
                       LABELS wine TIMEOUT 900 ENVIRONMENT WINEARCH=${wine_arch})
endforeach()
