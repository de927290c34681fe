# The short fuzz run of the test suite: a fresh working corpus next to the seeds, a fixed seed and a fixed
# number of inputs, so every run tries the same inputs.
#   cmake -DFUZZER=... -DSEEDS=... -DWORK=... -DRUNS=... -P seeded.cmake
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
execute_process(COMMAND ${FUZZER} -seed=1 -runs=${RUNS} ${WORK} ${SEEDS} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "fuzz_line ended with ${result}")
endif()
