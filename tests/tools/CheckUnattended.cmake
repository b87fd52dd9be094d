# Runs nolvo-log unattended on the committed recordings and checks what a fleet's tools would read.
# -DTOOL, -DRES, -DOUT (a scratch directory), -DPYTHON, -DCHECK_RTL (check_rtl_power.py), and
# -DPROMTOOL (promtool, or empty where it is not installed: then only our own checks run).
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}/textfile")
set(prom "${OUT}/textfile/nolvo.prom")

# 1. Metrics every second beside an rtl_power log of the dual-band model's 2.4 GHz sweeps.
execute_process(COMMAND "${TOOL}" --replay "${RES}" --hardware 2 --scene wifi --seconds 4 --output "${OUT}/rtl"
                        --metrics "${prom}" --metrics-interval 1 --format rtl_power
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nolvo-log failed (${status}): ${err}")
endif()
string(STRIP "${out}" csv)
file(READ "${prom}" metrics)
if(PROMTOOL)
  execute_process(COMMAND "${PROMTOOL}" check metrics INPUT_FILE "${prom}" RESULT_VARIABLE status
                  OUTPUT_VARIABLE lint ERROR_VARIABLE lint)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "promtool check metrics rejected the file: ${lint}\n${metrics}")
  endif()
endif()
foreach(expected
    "# TYPE nolvo_accessory_attached gauge\nnolvo_accessory_attached 0\n"
    "# TYPE nolvo_demo_playback gauge\nnolvo_demo_playback 1\n"
    "# TYPE nolvo_sweeps_total counter\nnolvo_sweeps_total{band=\"2.4\"} [1-9][0-9]*\n"
    "# TYPE nolvo_noise_floor_dbm gauge\nnolvo_noise_floor_dbm{band=\"2.4\"} -[0-9.]+\n"
    "nolvo_strongest_level_dbm{band=\"2.4\"} -?[0-9.]+\n"
    "# TYPE nolvo_access_points gauge\nnolvo_access_points{band=\"2.4\"} [1-9][0-9]*\n"
    "nolvo_access_point_signal_dbm{bssid=\"[0-9a-f:]+\",ssid=\"50% off %s today\",channel=\"7\",band=\"2.4\"} -[0-9]+"
    "# TYPE nolvo_link_frames_total counter\nnolvo_link_frames_total [1-9][0-9]*\n"
    "# TYPE nolvo_link_reconnects_total counter\n")
  if(NOT metrics MATCHES "${expected}")
    message(FATAL_ERROR "metrics file without '${expected}':\n${metrics}")
  endif()
endforeach()
file(GLOB leftovers "${OUT}/textfile/.*")
if(leftovers)
  message(FATAL_ERROR "temporary files left beside the metrics: ${leftovers}")
endif()
execute_process(COMMAND "${PYTHON}" "${CHECK_RTL}" "${csv}" 6 RESULT_VARIABLE status ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "rtl_power check: ${err}")
endif()

# 2. Rotation by size with retention: 5 GHz rows are about 4.6 KB, so each sweep starts a file and
#    only the newest two of ours stay; a file that is not ours is left alone.
file(MAKE_DIRECTORY "${OUT}/rotate")
file(WRITE "${OUT}/rotate/Nolvo_notes.csv" "mine\n")
execute_process(COMMAND "${TOOL}" --replay "${RES}" --hardware 2 --band 5 --seconds 5 --output "${OUT}/rotate"
                        --rotate 4K --keep 2
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "nolvo-log --rotate failed (${status}): ${err}")
endif()
if(NOT err MATCHES "retention: deleted Nolvo_")
  message(FATAL_ERROR "no file was rotated away: ${err}")
endif()
file(GLOB logs "${OUT}/rotate/Nolvo_2*.csv")
list(LENGTH logs count)
if(NOT count EQUAL 2 OR NOT EXISTS "${OUT}/rotate/Nolvo_notes.csv")
  message(FATAL_ERROR "expected our newest 2 logs and the foreign file, found: ${logs}")
endif()
foreach(log IN LISTS logs)
  file(STRINGS "${log}" lines LIMIT_COUNT 1)
  if(NOT lines STREQUAL "Spectrum")
    message(FATAL_ERROR "${log} does not start with its header: ${lines}")
  endif()
endforeach()
message(STATUS "metrics, rtl_power and rotation ok")
