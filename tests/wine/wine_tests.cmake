# Tests that run this build's Windows programs under wine64, each Wine prefix
# made fresh by its fixture and reporting the Windows version of the run:
# the platform conformance suite, the page host, SETUP.EXE's smoke test and
# its installation of the sample compared with the simulated machine's, once as
# Windows 98 and once as Windows NT 4. Label "wine" (ctest -L wine, or -LE
# wine to leave them out). 32-bit programs cannot run here: only the x86_64
# build has them.
if(NOT CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  return()
endif()

set(wine_run ${PROJECT_SOURCE_DIR}/scripts/wine-run.sh)
# The simulated machine the installation under Wine is compared with.
set(SETUP_WINSIM ${PROJECT_SOURCE_DIR}/build/linux/tools/winsim/winsim CACHE FILEPATH
    "winsim of a Linux build, for the comparison of SETUP.EXE /S under Wine with the simulated machine")
foreach(version win98 nt40)
  set(prefix ${CMAKE_BINARY_DIR}/wineprefix-${version})
  add_test(NAME wine_prefix_${version} COMMAND ${wine_run} --fresh ${prefix} ${version})
  set_tests_properties(wine_prefix_${version} PROPERTIES
                       FIXTURES_SETUP wine_${version} LABELS wine RESOURCE_LOCK wine_${version} TIMEOUT 300)

  add_test(NAME wine_conformance_${version}
           COMMAND ${wine_run} ${prefix} ${version} $<TARGET_FILE:platform_conformance_tests>)
  add_test(NAME wine_smoke_setup_${version}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/smoke_setup.sh ${prefix} ${version} ${CMAKE_BINARY_DIR}
                   ${CMAKE_BINARY_DIR}/sample)
  set_tests_properties(wine_conformance_${version} wine_smoke_setup_${version} PROPERTIES
                       FIXTURES_REQUIRED wine_${version} LABELS wine TIMEOUT 600
                       ENVIRONMENT SETUP_EXPECTED_WINDOWS=${version})
  set_tests_properties(wine_conformance_${version} PROPERTIES RESOURCE_LOCK wine_${version})
  # One Xvfb at a time: xvfb-run's choice of a free display is not atomic.
  set_tests_properties(wine_smoke_setup_${version} PROPERTIES RESOURCE_LOCK "wine_${version};xvfb")

  # The page host on a real property sheet, with Xvfb as the display.
  add_test(NAME wine_wizard_host_${version}
           COMMAND xvfb-run -a -s "-screen 0 1024x768x24 -nolisten tcp"
                   ${wine_run} ${prefix} ${version} $<TARGET_FILE:wizard_host_tests>)
  set_tests_properties(wine_wizard_host_${version} PROPERTIES
                       FIXTURES_REQUIRED wine_${version} LABELS wine TIMEOUT 600
                       RESOURCE_LOCK "wine_${version};xvfb")

  # SETUP.EXE /S installs the sample in a prefix of its own, and the simulated
  # machine's run of the same CD leaves the same files and registry values.
  add_test(NAME wine_install_sample_${version}
           COMMAND ${CMAKE_CURRENT_LIST_DIR}/install_compare.sh ${version} ${CMAKE_BINARY_DIR} ${SETUP_WINSIM})
  set_tests_properties(wine_install_sample_${version} PROPERTIES
                       LABELS wine TIMEOUT 900 SKIP_RETURN_CODE 77 RESOURCE_LOCK xvfb)
endforeach()
