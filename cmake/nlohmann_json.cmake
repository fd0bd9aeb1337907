# nlohmann-json, header only, for the tools that read saved runs back:
# Debian's CMake package where the build may search /usr; a cross build must
# not (it would pull Linux's headers in), so there a folder of the build's
# own holding only its headers stands in. Defines nlohmann_json::nlohmann_json
# where it is found.
set(SORTBENCH_NLOHMANN_JSON_DIR /usr/include/nlohmann CACHE PATH "nlohmann-json's headers (the folder of json.hpp)")
if(NOT CMAKE_CROSSCOMPILING)
  find_package(nlohmann_json 3 QUIET)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json AND EXISTS ${SORTBENCH_NLOHMANN_JSON_DIR}/json.hpp)
  set(json_include ${CMAKE_BINARY_DIR}/json_include)
  file(MAKE_DIRECTORY ${json_include})
  file(CREATE_LINK ${SORTBENCH_NLOHMANN_JSON_DIR} ${json_include}/nlohmann SYMBOLIC)
  add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED)
  target_include_directories(nlohmann_json::nlohmann_json SYSTEM INTERFACE ${json_include})
endif()
