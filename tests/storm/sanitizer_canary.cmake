# Runs the canary with one fault and passes only when the program failed with a sanitizer report.
execute_process(COMMAND ${PROGRAM} ${FAULT} RESULT_VARIABLE status OUTPUT_VARIABLE out
                ERROR_VARIABLE err)
if(status EQUAL 0)
    message(FATAL_ERROR "the ${FAULT} fault went unreported: exit status 0\n${err}")
endif()
if(NOT err MATCHES "${REPORT}")
    message(FATAL_ERROR "the ${FAULT} fault ended the program (${status}) without a report:\n${err}")
endif()
message(STATUS "${FAULT}: stopped with status ${status} and a report")
