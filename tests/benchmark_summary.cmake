# Runs sorting_benchmark with JSON on stdout and a summary file: stdout must
# stay one JSON document without NaN, also in the repetitions' aggregates
# (the growth and memory tables go to stderr), and the summary must hold one
# family per sort and shape that ran.
# cmake -DBENCHMARK=path -DSUMMARY=file -P benchmark_summary.cmake
file(REMOVE ${SUMMARY})
execute_process(COMMAND ${BENCHMARK} "--benchmark_filter=^(insertion|counting)/(random|all_equal)/(1000|3000|10000)$"
                        --benchmark_min_time=0.001 --benchmark_repetitions=2 --benchmark_format=json
                        --sortbench_summary=${SUMMARY}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}:\n${err}")
endif()
string(JSON runs ERROR_VARIABLE problem LENGTH "${out}" benchmarks)
if(problem)
  message(FATAL_ERROR "stdout is not Google Benchmark's JSON alone (${problem}):\n${out}")
endif()
if(out MATCHES "[Nn]a[Nn]")
  message(FATAL_ERROR "stdout holds a NaN:\n${out}")
endif()
if(NOT err MATCHES "counting/all_equal|counting +all_equal" OR NOT err MATCHES "Memory per call")
  message(FATAL_ERROR "no growth or memory table on stderr:\n${err}")
endif()
file(READ ${SUMMARY} summary)
string(JSON families ERROR_VARIABLE problem LENGTH "${summary}" families)
if(problem OR NOT families EQUAL 4)
  message(FATAL_ERROR "the summary should hold 4 families:\n${summary}")
endif()
set(seen)
math(EXPR last "${families} - 1")
foreach(i RANGE ${last})
  string(JSON sort GET "${summary}" families ${i} sort)
  string(JSON shape GET "${summary}" families ${i} shape)
  string(JSON sizes LENGTH "${summary}" families ${i} sizes)
  if(NOT sizes EQUAL 3)
    message(FATAL_ERROR "${sort}/${shape} has ${sizes} sizes, not 3:\n${summary}")
  endif()
  list(APPEND seen ${sort}/${shape})
endforeach()
list(SORT seen)
if(NOT seen STREQUAL "counting/all_equal;counting/random;insertion/all_equal;insertion/random")
  message(FATAL_ERROR "families ${seen}")
endif()
