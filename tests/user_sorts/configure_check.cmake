# Configures the project with a folder of user sorts holding FILE alone and
# expects the configure step to stop with a message naming it.
# cmake -DSOURCE_DIR=... -DWORK_DIR=... -DFILE=... -P configure_check.cmake
set(folder ${WORK_DIR}/${FILE}.sorts)
file(REMOVE_RECURSE ${folder} ${WORK_DIR}/${FILE}.build)
file(WRITE ${folder}/${FILE} "void f(int* a, int n) { (void)a; (void)n; }\n")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${WORK_DIR}/${FILE}.build -DSORTBENCH_TESTS=OFF
                        -DSORTBENCH_USER_SORTS=${folder}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status EQUAL 0)
  message(FATAL_ERROR "the configure step went on with ${FILE}")
endif()
string(FIND "${errors}" "${folder}/${FILE}" named)
if(named EQUAL -1)
  message(FATAL_ERROR "the configure step stopped without naming ${FILE}:\n${errors}")
endif()
