# Lays out the sample distribution: cmake -DSOURCE=… -DOUTPUT=… -P assemble_sample.cmake
file(REMOVE_RECURSE ${OUTPUT})
file(MAKE_DIRECTORY ${OUTPUT})
file(COPY ${SOURCE}/ DESTINATION ${OUTPUT})

foreach(entry IN LISTS PLACEMENTS)
  string(REPLACE "|" ";" fields "${entry}")
  list(GET fields 0 from)
  list(GET fields 1 to)
  if(NOT IS_ABSOLUTE ${from})
    set(from ${PROGRAMS}/${from})
  endif()
  get_filename_component(folder ${OUTPUT}/${to} DIRECTORY)
  file(MAKE_DIRECTORY ${folder})
  if(to MATCHES "_$" AND COMPRESSOR)
    separate_arguments(command UNIX_COMMAND "${COMPRESSOR}")
    execute_process(COMMAND ${command} ${from} ${OUTPUT}/${to} RESULT_VARIABLE failed)
    if(failed)
      message(FATAL_ERROR "cannot compress ${from}")
    endif()
  else()
    # Without a compressor the file goes under its compressed name as it is:
    # the version installer takes an uncompressed source unchanged.
    file(COPY_FILE ${from} ${OUTPUT}/${to})
  endif()
endforeach()

foreach(library IN LISTS LIBRARIES)
  file(COPY ${library} DESTINATION ${OUTPUT})
endforeach()

# The programs the distribution ships beside the script.
if(SETUP_PROGRAM)
  file(COPY_FILE ${SETUP_PROGRAM} ${OUTPUT}/SETUP.EXE)
else()
  file(WRITE ${OUTPUT}/SETUP.EXE "simulated program\r\n")
endif()
if(NOT EXISTS ${OUTPUT}/INST16.EXE)
  file(WRITE ${OUTPUT}/INST16.EXE "simulated program\r\n")
endif()

# The sizes the scripts give are those of the files as laid out here.
set(DISTRIBUTION ${OUTPUT})
set(SCRIPTS SETUP.INF VIDEO/VIDEO.INF MONITOR/MONITOR.INF)
include(${CMAKE_CURRENT_LIST_DIR}/stamp_sizes.cmake)
