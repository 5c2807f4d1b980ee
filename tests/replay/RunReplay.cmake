# Runs one replay script in a fresh folder and compares its output.
file(REMOVE_RECURSE ${WORKDIR})
file(MAKE_DIRECTORY ${WORKDIR}/config ${WORKDIR}/data)
set(ENV{XDG_CONFIG_HOME} ${WORKDIR}/config)
set(ENV{XDG_DATA_HOME} ${WORKDIR}/data)
set(ENV{TZ} JST-9)
execute_process(
  COMMAND ${REPLAY} --program ${WORKDIR}/data/Trovik ${SCRIPT}
  OUTPUT_VARIABLE actual
  ERROR_VARIABLE errors
  RESULT_VARIABLE status)
file(WRITE ${WORKDIR}/actual.txt "${actual}")
# Scripts named bad-*.script hold a script error: exit status 2 and the line
# number on standard error, after the output of the lines before it.
get_filename_component(name ${SCRIPT} NAME_WE)
if(name MATCHES "^bad-")
  if(NOT status EQUAL 2 OR NOT errors MATCHES "line [0-9]+")
    message(FATAL_ERROR "expected a script error, got ${status}: ${errors}")
  endif()
elseif(NOT status EQUAL 0)
  message(FATAL_ERROR "trovik-replay exited with ${status}: ${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORKDIR}/actual.txt)
  message(FATAL_ERROR "output of ${SCRIPT} differs from ${EXPECTED}")
endif()
