# The programs and libraries we ship (SETUP.EXE, INST16.EXE, _THUNK32.DLL,
# SETUP32.DLL) must load on Windows 95, 98 and NT 4: no runtime DLL of the
# toolchain beside them, PE headers asking for subsystem and system 4.0, and
# the calls Windows 95 lacks looked up at run time (newer_system_calls.cpp).
# The import check of the tests holds them to that.
include_guard(GLOBAL)

function(product_program target)
  if(NOT WIN32)
    return()
  endif()
  target_sources(${target} PRIVATE ${PROJECT_SOURCE_DIR}/src/platform/win32/newer_system_calls.cpp)
  target_link_options(${target} PRIVATE -static -static-libgcc -static-libstdc++
                      -Wl,--major-subsystem-version,4,--minor-subsystem-version,0
                      -Wl,--major-os-version,4,--minor-os-version,0)
endfunction()
