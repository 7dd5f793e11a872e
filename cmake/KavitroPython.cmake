# The one Python interpreter of the build (rule compiler, artwork, keyboard
# files, script tests): the first python3 on the path that has fontTools
# (Debian's python3-fonttools). A python3 found earlier without it, such as a
# version manager's shim, is passed over. -DKAVITRO_PYTHON=<path> picks one.
function(kavitro_python_has_fonttools result candidate)
  execute_process(COMMAND ${candidate} -c "import fontTools"
                  RESULT_VARIABLE status OUTPUT_QUIET ERROR_QUIET)
  if(NOT status EQUAL 0)
    set(${result} FALSE PARENT_SCOPE)
  endif()
endfunction()

find_program(KAVITRO_PYTHON NAMES python3
             VALIDATOR kavitro_python_has_fonttools
             DOC "Python 3 with fontTools, for the build-time generators and script tests"
             REQUIRED)
