# Runs the resource compiler and fails on any diagnostic, warnings included, so a doubtful
# resource never slips into the program. Invoked by res/CMakeLists.txt as
#   cmake -DRC=... -DINPUT=... -DOUTPUT=... -DINCLUDES=a|b -P CompileResources.cmake
set(args)
string(REPLACE "|" ";" include_list "${INCLUDES}")
foreach(dir ${include_list})
  list(APPEND args -I ${dir})
endforeach()
execute_process(
  COMMAND ${RC} ${args} --codepage=65001 -O coff -i ${INPUT} -o ${OUTPUT}
  RESULT_VARIABLE result
  OUTPUT_VARIABLE out
  ERROR_VARIABLE err)
if(NOT result EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "Resource compiler (${result}):\n${out}${err}")
endif()
