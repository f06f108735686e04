# Versioned resource-only libraries for the version installer's conformance
# tests, built with the mingw tools of the target (i686 in the Linux build).
if(WIN32 AND CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64)$")
  set(version_triplet x86_64-w64-mingw32)
else()
  set(version_triplet i686-w64-mingw32)
endif()
find_program(SETUP_VERSION_WINDRES NAMES ${version_triplet}-windres REQUIRED)
find_program(SETUP_VERSION_GCC NAMES ${version_triplet}-gcc ${version_triplet}-gcc-posix REQUIRED)

set(SETUP_VERSION_FILES_DIR ${CMAKE_BINARY_DIR}/tests/version_files)
set(version_script ${CMAKE_CURRENT_LIST_DIR}/versioned.rc)
# name  major  language  code page  block  file type
set(version_files
    "V1.DLL|1|0x0409|1252|040904E4|2"
    "V2.DLL|2|0x0409|1252|040904E4|2"
    "V2DEU.DLL|2|0x0407|1252|040704E4|2"
    "V2CP.DLL|2|0x0409|932|040903A4|2"
    "V2APP.DLL|2|0x0409|1252|040904E4|1"
    "V9.DLL|9|0x0409|1252|040904E4|2")
set(version_outputs)
foreach(line IN LISTS version_files)
  string(REPLACE "|" ";" fields "${line}")
  list(GET fields 0 name)
  list(GET fields 1 major)
  list(GET fields 2 language)
  list(GET fields 3 codepage)
  list(GET fields 4 block)
  list(GET fields 5 type)
  set(object ${SETUP_VERSION_FILES_DIR}/${name}.o)
  set(library ${SETUP_VERSION_FILES_DIR}/${name})
  add_custom_command(
    OUTPUT ${library}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${SETUP_VERSION_FILES_DIR}
    COMMAND ${SETUP_VERSION_WINDRES} -O coff -DVER_MAJOR=${major} -DLANG_ID=${language} -DCODE_PAGE=${codepage}
            -DBLOCK_ID=${block} -DFILE_TYPE=${type} -i ${version_script} -o ${object}
    COMMAND ${SETUP_VERSION_GCC} -shared -nostdlib -s -Wl,-e,0 -Wl,--subsystem,windows
            -Wl,--no-insert-timestamp -o ${library} ${object}
    DEPENDS ${version_script}
    COMMENT "Building the versioned test library ${name}"
    VERBATIM)
  list(APPEND version_outputs ${library})
endforeach()
add_custom_target(version_files DEPENDS ${version_outputs})
