# The nolvo-log service as systemd and nolvo-log read it.
# -DUNIT (packaging/systemd/nolvo-log.service), -DDEFAULTS (packaging/nolvo-log.default), -DTOOL,
# -DOUT (a scratch directory), -DANALYZE (systemd-analyze).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

# systemd-analyze verify wants the program to exist: the built one stands in for /usr/bin's. It
# only warns about a directive it cannot parse, so any message is a failure.
file(READ "${UNIT}" unit)
string(REPLACE "/usr/bin/nolvo-log" "${TOOL}" unit "${unit}")
file(WRITE "${OUT}/nolvo-log.service" "${unit}")
execute_process(COMMAND "${ANALYZE}" verify --man=no "${OUT}/nolvo-log.service"
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0 OR NOT "${out}${err}" STREQUAL "")
  message(FATAL_ERROR "systemd-analyze verify (${status}): ${out}${err}")
endif()
foreach(expected "\nUser=nolvo-log\n" "\nGroup=nolvo\n" "\nRestart=on-failure\n"
                 "\nEnvironmentFile=-/etc/default/nolvo-log\n" "--until-stopped --accessory-only \\$NOLVO_LOG_OPTIONS\n")
  if(NOT unit MATCHES "${expected}")
    message(FATAL_ERROR "the unit lacks '${expected}'")
  endif()
endforeach()

# The default options must be ones nolvo-log takes (status 2 is a bad command line). Without an
# accessory it logs nothing in a second and says so with status 1.
file(STRINGS "${DEFAULTS}" line REGEX "^NOLVO_LOG_OPTIONS=")
string(REGEX REPLACE "^NOLVO_LOG_OPTIONS=\"(.*)\"$" "\\1" options "${line}")
string(REPLACE "/var/lib/nolvo" "${OUT}/var" options "${options}")
separate_arguments(options UNIX_COMMAND "${options}")
execute_process(COMMAND "${TOOL}" --accessory-only ${options} --seconds 1
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(status EQUAL 2 OR NOT options MATCHES "--metrics")
  message(FATAL_ERROR "nolvo-log refuses the service's options ${options}: ${err}")
endif()
if(NOT EXISTS "${OUT}/var/metrics/nolvo.prom")
  message(FATAL_ERROR "no metrics written with the service's options: ${err}")
endif()
