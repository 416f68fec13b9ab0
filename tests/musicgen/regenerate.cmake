# Runs musicgen and compares its output with the committed soundtrack.
execute_process(COMMAND ${MUSICGEN} ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "musicgen failed (${result})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${OUTPUT} ${EXPECTED}
  RESULT_VARIABLE differ)
if(NOT differ EQUAL 0)
  file(SIZE ${OUTPUT} got)
  file(SIZE ${EXPECTED} want)
  message(FATAL_ERROR "regenerated soundtrack (${got} bytes) differs from "
                      "assets/soundtrack.mp3 (${want} bytes); rebuild it with "
                      "a Release musicgen and commit it if the change is meant")
endif()
