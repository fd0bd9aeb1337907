# Configures the project with a folder of user sorts holding FILE alone and
# expects the configure step to stop with a message naming it.
# cmake -DSOURCE_DIR=... -DWORK_DIR=... -DFILE=... -P configure_check.cmake
# FILE "missing_folder" names a folder that does not exist, "file_as_folder"
# a file given as the folder: the configure step must name it.
set(folder ${WORK_DIR}/${FILE}.sorts)
set(build ${WORK_DIR}/${FILE}.build)
file(REMOVE_RECURSE ${folder} ${build})
if(FILE STREQUAL "missing_folder")
  set(folder ${WORK_DIR}/no_such_folder)
  set(FILE "")
elseif(FILE STREQUAL "file_as_folder")
  set(folder ${WORK_DIR}/${FILE}.c)
  file(WRITE ${folder} "\n")
  set(FILE "")
else()
  file(WRITE ${folder}/${FILE} "void f(int* a, int n) { (void)a; (void)n; }\n")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE_DIR} -B ${build} -DSORTBENCH_TESTS=OFF
                        -DSORTBENCH_USER_SORTS=${folder}
                RESULT_VARIABLE status OUTPUT_QUIET ERROR_VARIABLE errors)
if(status EQUAL 0)
  message(FATAL_ERROR "the configure step went on with ${FILE}")
endif()
if(FILE STREQUAL "")
  string(FIND "${errors}" "${folder}" named)
else()
  string(FIND "${errors}" "${folder}/${FILE}" named)
endif()
if(named EQUAL -1)
  message(FATAL_ERROR "the configure step stopped without naming ${FILE}:\n${errors}")
endif()
