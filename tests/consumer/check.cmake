# Installs the build in BUILD_DIR into a fresh prefix, builds and runs the
# consumer project against it, then checks what cpack packs.
# cmake -DBUILD_DIR=... -DWORK_DIR=... -DCXX=... [-DCXX_FLAGS=... -DLINK_FLAGS=... -DBUILD_TYPE=...]
#       -DCPACK_COMMAND=... -P check.cmake
function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "failed (${status}): ${ARGN}")
  endif()
endfunction()

file(REMOVE_RECURSE ${WORK_DIR})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${WORK_DIR}/prefix)
if(NOT BUILD_TYPE)
  set(BUILD_TYPE Release)
endif()
run(${CMAKE_COMMAND} -S ${CMAKE_CURRENT_LIST_DIR} -B ${WORK_DIR}/consumer -DCMAKE_CXX_COMPILER=${CXX}
    "-DCMAKE_CXX_FLAGS=${CXX_FLAGS}" "-DCMAKE_EXE_LINKER_FLAGS=${LINK_FLAGS}" -DCMAKE_BUILD_TYPE=${BUILD_TYPE}
    -DCMAKE_PREFIX_PATH=${WORK_DIR}/prefix)
run(${CMAKE_COMMAND} --build ${WORK_DIR}/consumer)
run(${WORK_DIR}/consumer/app)

run(${CPACK_COMMAND} -G TGZ --config ${BUILD_DIR}/CPackConfig.cmake -B ${WORK_DIR}/package)
file(GLOB archives ${WORK_DIR}/package/sortbench-*.tar.gz)
list(LENGTH archives count)
if(NOT count EQUAL 1)
  message(FATAL_ERROR "expected one sortbench-*.tar.gz, found: ${archives}")
endif()
file(MAKE_DIRECTORY ${WORK_DIR}/unpacked)
run(${CMAKE_COMMAND} -E chdir ${WORK_DIR}/unpacked ${CMAKE_COMMAND} -E tar xf ${archives})
file(GLOB roots ${WORK_DIR}/unpacked/sortbench-*)
set(expected bin/sortbench include/sorting/sorting.h lib/libsorting.a lib/cmake/sorting/sortingConfig.cmake
             share/doc/sortbench/LICENSE share/doc/sortbench/README.md)
if(HTML_REPORT)
  list(APPEND expected share/doc/sortbench/chart.js-LICENSE.txt)
endif()
foreach(file ${expected})
  if(NOT EXISTS ${roots}/${file})
    message(FATAL_ERROR "the package lacks ${file}")
  endif()
endforeach()
message(STATUS "installed tree and package checked: ${archives}")
