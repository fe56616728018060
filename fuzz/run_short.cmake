# Runs a libFuzzer binary for a short while on a scratch copy of its seed
# corpus, so that the corpus kept in the repository never changes.
#   cmake -DFUZZER=bin -DCORPUS=dir -DWORK=dir -DSECONDS=n -P run_short.cmake
file(REMOVE_RECURSE "${WORK}")
file(MAKE_DIRECTORY "${WORK}/corpus" "${WORK}/artifacts")
file(COPY "${CORPUS}/" DESTINATION "${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -print_final_stats=1
          "-artifact_prefix=${WORK}/artifacts/" "${WORK}/corpus"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that broke it is in ${WORK}/artifacts")
endif()
