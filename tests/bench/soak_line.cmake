# Runs the soak for a few steps on one sample in one mode and checks that it
# exits 0 with one well-formed line that names no fault.
#   cmake -DSOAK=<soak binary> -DSAMPLE=<tissue file> -DSTEPS=<n> [-DPRELOAD=<libs>] -P soak_line.cmake
foreach(var SOAK SAMPLE STEPS)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "soak_line.cmake needs -D${var}=...")
  endif()
endforeach()

# PRELOAD (optional) is given to the soak alone as LD_PRELOAD.
set(launcher "")
if(PRELOAD)
  set(launcher env "LD_PRELOAD=${PRELOAD}")
endif()
execute_process(COMMAND ${launcher} ${SOAK} --mode model --steps ${STEPS} ${SAMPLE}
                RESULT_VARIABLE status OUTPUT_VARIABLE out ERROR_VARIABLE err)
message("${out}")
if(NOT status STREQUAL "0")
  message(FATAL_ERROR "soak exited with ${status}:\n${err}")
endif()

get_filename_component(name ${SAMPLE} NAME)
string(REPLACE "." "\\." name_re ${name})
set(number "[0-9]+")
set(line_re "^${name_re} Model steps ${STEPS} live ${number} dead ${number} divisions ${number} crossed-steps 0 faulty-steps 0 overlap-removals 0 first - ms/step median [0-9.]+ max [0-9.]+\n$")
if(NOT out MATCHES "${line_re}")
  message(FATAL_ERROR "the soak's line is not as expected:\n${out}\nexpected to match:\n${line_re}")
endif()
