# Runs lupdate over the sources (SRC: folders separated by |) into a copy of the translation file: a text
# added since shows up as unfinished, a text removed as vanished.
string(REPLACE "|" ";" sources "${SRC}")
file(MAKE_DIRECTORY ${WORK})
file(COPY_FILE ${TS} ${WORK}/check.ts)
execute_process(
  COMMAND ${LUPDATE} -silent -locations none -source-language zh_CN -target-language en ${sources} -ts ${WORK}/check.ts
  RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lupdate failed (${status})")
endif()
file(STRINGS ${WORK}/check.ts open REGEX "type=\"(unfinished|vanished|obsolete)\"")
list(LENGTH open count)
if(count GREATER 0)
  file(STRINGS ${WORK}/check.ts lines)
  set(previous "")
  foreach(line IN LISTS lines)
    if(line MATCHES "type=\"(unfinished|vanished|obsolete)\"")
      message(STATUS "${CMAKE_MATCH_1}: ${previous}")
    endif()
    set(previous "${line}")
  endforeach()
  message(FATAL_ERROR "${count} texts without a finished English translation, or translations of texts that are "
                      "gone: run the update_translations target and translate them in ${TS}")
endif()
message(STATUS "every text has its English translation")
