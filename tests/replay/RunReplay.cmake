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
if(NOT status EQUAL 0)
  message(FATAL_ERROR "trovik-replay exited with ${status}: ${errors}")
endif()
file(READ ${EXPECTED} expected)
if(NOT actual STREQUAL expected)
  execute_process(COMMAND diff -u ${EXPECTED} ${WORKDIR}/actual.txt)
  message(FATAL_ERROR "output of ${SCRIPT} differs from ${EXPECTED}")
endif()
