# Python tools beside the programs: the plots (scripts/kesto_plot.py) become
# build/bin/kesto-plot. They need a Python 3 with matplotlib and SciPy, which
# Debian ships for its own /usr/bin/python3; that one is tried first so a
# private Python earlier in PATH does not hide them.
set(KESTO_PYTHON "" CACHE FILEPATH "Python 3 with matplotlib and SciPy (plots and workflow tests)")
if(NOT KESTO_PYTHON)
  foreach(candidate /usr/bin/python3 python3)
    find_program(kesto_python_candidate NAMES ${candidate} NO_CACHE)
    if(kesto_python_candidate)
      execute_process(COMMAND ${kesto_python_candidate} -c "import matplotlib, scipy"
                      RESULT_VARIABLE kesto_python_ok OUTPUT_QUIET ERROR_QUIET)
      if(kesto_python_ok EQUAL 0)
        set(KESTO_PYTHON ${kesto_python_candidate} CACHE FILEPATH
            "Python 3 with matplotlib and SciPy (plots and workflow tests)" FORCE)
        break()
      endif()
    endif()
    unset(kesto_python_candidate)
  endforeach()
endif()
if(NOT KESTO_PYTHON)
  message(WARNING "no Python 3 with matplotlib and SciPy found: kesto-plot and its tests will fail "
                  "(install python3-matplotlib and python3-scipy, e.g. with scripts/setup.sh)")
  set(KESTO_PYTHON python3)
endif()

# A copy keeps the source's executable bit.
add_custom_command(OUTPUT ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kesto-plot
                   COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/scripts/kesto_plot.py
                           ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kesto-plot
                   DEPENDS ${PROJECT_SOURCE_DIR}/scripts/kesto_plot.py
                   COMMENT "kesto-plot")
add_custom_target(kesto_plot ALL DEPENDS ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/kesto-plot)
