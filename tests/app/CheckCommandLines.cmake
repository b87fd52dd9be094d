# Command-line manners of both programs, run as a user would: --help (usage, status 0), --version,
# an unknown option (usage on stderr, status 2), and recordings that cannot be replayed (one line
# naming the file and the offset, status 1). None of these opens a window.
# -DNOLVO -DNOLVO_LOG -DVERSION -DOUT (a scratch directory)
file(REMOVE_RECURSE "${OUT}")
file(MAKE_DIRECTORY "${OUT}")

function(expect what status_wanted out_regex err_regex)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT status EQUAL status_wanted OR NOT out MATCHES "${out_regex}" OR NOT err MATCHES "${err_regex}")
    message(FATAL_ERROR "${what}: status ${status} (wanted ${status_wanted})\nstdout: ${out}\nstderr: ${err}")
  endif()
endfunction()

foreach(program nolvo nolvo-log)
  if(program STREQUAL "nolvo")
    set(tool "${NOLVO}")
    set(replay --replay)
  else()
    set(tool "${NOLVO_LOG}")
    set(replay --replay-file)
  endif()
  expect("${program} --help" 0 "^usage: ${program} " "^$" "${tool}" --help)
  expect("${program} --version" 0 "^${program} ${VERSION}\n$" "^$" "${tool}" --version)
  expect("${program} --no-such-option" 2 "^$" "unknown option --no-such-option\nusage: ${program} " "${tool}" --no-such-option)

  # A foreign file, a damaged chunk and a missing file.
  file(WRITE "${OUT}/foreign.nolrec" "PNG and not a recording")
  expect("${program} foreign" 1 "^$" "^${program}: ${OUT}/foreign.nolrec: not a Nolvo recording [^\n]* at offset 0\n$"
         "${tool}" ${replay} "${OUT}/foreign.nolrec")
  file(WRITE "${OUT}/short.nolrec" "NOLVOREC12")
  expect("${program} cut header" 1 "^$" "^${program}: ${OUT}/short.nolrec: recording ends inside its header at offset 10\n$"
         "${tool}" ${replay} "${OUT}/short.nolrec")
  expect("${program} missing" 1 "^$" "^${program}: ${OUT}/none.nolrec: cannot open \\(No such file or directory\\)\n$"
         "${tool}" ${replay} "${OUT}/none.nolrec")
endforeach()
