# cmake -DPROGRAM=... -DARGUMENTS="a;b" -DOUTPUT=file -P RunToFile.cmake: runs the program and writes what
# it prints to OUTPUT, whole or not at all; fails the build when the program fails.
execute_process(COMMAND ${PROGRAM} ${ARGUMENTS} OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT}.part)
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENTS} failed: ${result}")
endif()
file(RENAME ${OUTPUT}.part ${OUTPUT})
