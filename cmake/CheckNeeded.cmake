# cmake -DREADELF=<readelf> -DPROGRAM=<file> -DNEEDED=a,b -DNOT_NEEDED=c -P CheckNeeded.cmake
# Fails unless PROGRAM names every library of NEEDED in its dynamic section (it is bound
# when the program is loaded) and none of NOT_NEEDED (those it opens at run time, or must
# not load at all).
execute_process(COMMAND ${READELF} -d ${PROGRAM} OUTPUT_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "readelf failed on ${PROGRAM}")
endif()
string(REPLACE "," ";" NEEDED "${NEEDED}")
string(REPLACE "," ";" NOT_NEEDED "${NOT_NEEDED}")
foreach(library IN LISTS NEEDED)
  if(NOT out MATCHES "\\(NEEDED\\)[^\n]*\\[${library}\\]")
    message(FATAL_ERROR "${PROGRAM} is not linked against ${library}")
  endif()
endforeach()
foreach(library IN LISTS NOT_NEEDED)
  if(out MATCHES "\\[${library}\\]")
    message(FATAL_ERROR "${PROGRAM} must not be bound to ${library} when it is loaded")
  endif()
endforeach()
