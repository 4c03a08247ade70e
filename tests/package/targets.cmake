# Prints the names of the targets of a configured build tree, one a line,
# from CMake's file API (the tree must have been configured after
# BUILD/.cmake/api/v1/query/codemodel-v2 was made).
#     cmake -DBUILD=build-dir -P targets.cmake
file(GLOB index "${BUILD}/.cmake/api/v1/reply/index-*.json")
if(NOT index)
  message(FATAL_ERROR "${BUILD} has no file API reply: was .cmake/api/v1/query/codemodel-v2 made before configuring?")
endif()
list(GET index -1 index)
file(READ "${index}" json)
string(JSON reply GET "${json}" reply codemodel-v2 jsonFile)
file(READ "${BUILD}/.cmake/api/v1/reply/${reply}" json)
string(JSON targets GET "${json}" configurations 0 targets)
string(JSON count LENGTH "${targets}")
math(EXPR last "${count} - 1")
foreach(i RANGE ${last})
  string(JSON name GET "${targets}" ${i} name)
  execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${name}")
endforeach()
