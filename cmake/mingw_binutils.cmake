# The mingw-w64 binutils that make the distribution's resource-only files
# (the language libraries, the sample's program files): windres, ld and as of
# one target, with the host's C preprocessor reading the resource scripts
# against the mingw-w64 headers. No mingw C compiler is needed, so the Linux
# build (and the main command) does without the cross compilers.
#
#   mingw_binutils(TRIPLET)   sets, in the caller's scope:
#     SETUP_WINDRES_COMMAND   windres and its preprocessor options (a list)
#     SETUP_MINGW_LD          the linker
#     SETUP_MINGW_AS          the assembler
include_guard(GLOBAL)

function(mingw_binutils triplet)
  find_program(SETUP_MINGW_WINDRES NAMES ${triplet}-windres)
  find_program(SETUP_MINGW_LD_PROGRAM NAMES ${triplet}-ld)
  find_program(SETUP_MINGW_AS_PROGRAM NAMES ${triplet}-as)
  find_program(SETUP_RC_PREPROCESSOR NAMES cpp)
  # winres.h and what it includes; the same headers serve every target.
  find_path(SETUP_MINGW_HEADERS winres.h PATHS /usr/share/mingw-w64/include /usr/${triplet}/include
            NO_DEFAULT_PATH NO_CMAKE_FIND_ROOT_PATH)
  if(NOT SETUP_MINGW_WINDRES OR NOT SETUP_MINGW_LD_PROGRAM OR NOT SETUP_MINGW_AS_PROGRAM)
    message(FATAL_ERROR "The resource files need ${triplet}-windres, -ld and -as "
                        "(Debian package binutils-mingw-w64-i686, or the x86-64 one).")
  endif()
  if(NOT SETUP_RC_PREPROCESSOR OR NOT SETUP_MINGW_HEADERS)
    message(FATAL_ERROR "The resource scripts need the C preprocessor cpp and the mingw-w64 headers "
                        "(Debian packages cpp and mingw-w64-common).")
  endif()
  if(triplet MATCHES "^x86_64")
    set(machine -D__x86_64__ -D_WIN64)
  else()
    set(machine -D__i386__)
  endif()
  # The macros the cross compiler would define, and none of the host's headers.
  set(command ${SETUP_MINGW_WINDRES} --preprocessor=${SETUP_RC_PREPROCESSOR})
  foreach(argument -xc -nostdinc -DRC_INVOKED -D_WIN32 -DWIN32 -D__MINGW32__ ${machine} -I${SETUP_MINGW_HEADERS})
    list(APPEND command --preprocessor-arg=${argument})
  endforeach()
  set(SETUP_WINDRES_COMMAND ${command} PARENT_SCOPE)
  set(SETUP_MINGW_LD ${SETUP_MINGW_LD_PROGRAM} PARENT_SCOPE)
  set(SETUP_MINGW_AS ${SETUP_MINGW_AS_PROGRAM} PARENT_SCOPE)
endfunction()
