# Fails unless MODULE's dynamic symbol table defines exactly the contract's
# exports. Run with -DNM=<nm> -DMODULE=<file>.
execute_process(COMMAND ${NM} -D --defined-only ${MODULE}
  OUTPUT_VARIABLE listing RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "${NM} failed on ${MODULE}")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${listing}")
set(names)
foreach(line IN LISTS lines)
  string(REGEX REPLACE "^.* " "" name "${line}")
  list(APPEND names ${name})
endforeach()
list(SORT names)
set(expected Close Config GetLevel Open TrvikDescription TrvikVersion Update)
if(NOT names STREQUAL expected)
  message(FATAL_ERROR "${MODULE} exports [${names}], expected [${expected}]")
endif()
message(STATUS "${MODULE} exports exactly ${expected}")
