# Joins one domain's .po files and compiles them into MO (cmake -P, from CMakeLists.txt).
# The program's texts break lines with "\r\n" on purpose (message boxes show them so);
# gettext's notice about the "\r" escape is dropped, every other message is passed on.
set(joined "${MO}.po")
foreach(step IN ITEMS join compile)
    if(step STREQUAL "join")
        execute_process(COMMAND ${MSGCAT} --use-first -o ${joined} ${POS}
                        RESULT_VARIABLE status ERROR_VARIABLE messages)
    else()
        execute_process(COMMAND ${MSGFMT} --check-format -o ${MO} ${joined}
                        RESULT_VARIABLE status ERROR_VARIABLE messages)
    endif()
    string(REGEX REPLACE "[^\n]*: warning: internationalized messages should not contain the '\\\\r' escape sequence\n"
                         "" messages "${messages}")
    if(messages)
        message("${messages}")
    endif()
    if(NOT status EQUAL 0)
        message(FATAL_ERROR "${step} of ${MO} failed")
    endif()
endforeach()
