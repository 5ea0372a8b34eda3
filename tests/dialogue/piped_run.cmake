# One piped run of the built program, started by LAUNCHER, compared byte for
# byte with the screen tremovia_expected_screen writes under EMULATOR:
#   cmake -DEMULATOR=... -DLAUNCHER=... -DPROGRAM=... -DSCREEN_WRITER=...
#         -DLINE_END=crlf -DCASE=... -DWORK_DIR=... -P piped_run.cmake
cmake_minimum_required(VERSION 3.25)
string(ASCII 13 cr)
string(ASCII 26 ctrl_z)
set(typed "1\n1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n")
if(CASE STREQUAL "typed")
  set(input "${typed}")
  set(screen typical)
elseif(CASE STREQUAL "typed-with-crlf")
  string(REPLACE "\n" "${cr}\n" input "${typed}")
  set(screen typical)
elseif(CASE STREQUAL "lone-cr-kept")  # the CR after 1 is taken as the Enter; dropped, 11.5 would be read
  set(input "1${cr}1.5\n1\n0\n1\n10\n-10\n\n\n\n\n\n\n\n\n")
  set(screen typical)
elseif(CASE STREQUAL "ctrl-z-ends-the-input")
  set(input "1${cr}\n1.5${cr}\n${ctrl_z}1${cr}\n0${cr}\n")
  set(screen two-values)
elseif(CASE STREQUAL "end-of-input")
  set(input "")
  set(screen end-of-input)
else()
  message(FATAL_ERROR "unknown case ${CASE}")
endif()

file(MAKE_DIRECTORY "${WORK_DIR}")
set(input_file "${WORK_DIR}/${CASE}.in")
set(output_file "${WORK_DIR}/${CASE}.out")
set(expected_file "${WORK_DIR}/${CASE}.expected")
file(WRITE "${input_file}" "${input}")
execute_process(COMMAND ${EMULATOR} ${SCREEN_WRITER} ${screen} ${LINE_END} ${expected_file}
                RESULT_VARIABLE written)
if(NOT written EQUAL 0)
  message(FATAL_ERROR "the screen writer failed: ${written}")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${input_file}
                COMMAND ${LAUNCHER} ${PROGRAM} --ignored-argument
                OUTPUT_FILE ${output_file} RESULTS_VARIABLE statuses TIMEOUT 60)
list(GET statuses 1 status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "exit status ${status}, not 0")
endif()
file(READ "${output_file}" got HEX)
file(READ "${expected_file}" want HEX)
if(NOT got STREQUAL want)
  message(FATAL_ERROR "${output_file} differs from ${expected_file}")
endif()

# The same run with its output closed early, after 100 bytes or before the
# first write, still ends at once with status 0.
foreach(reader "head;-c;100" "${CMAKE_COMMAND};-E;true")
  execute_process(COMMAND ${CMAKE_COMMAND} -E cat ${input_file}
                  COMMAND ${LAUNCHER} ${PROGRAM}
                  COMMAND ${reader}
                  OUTPUT_QUIET RESULTS_VARIABLE statuses TIMEOUT 20)
  list(GET statuses 1 status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "with its output closed by ${reader}: exit status ${status}, not 0")
  endif()
endforeach()
