# Lists the tests of a gtest binary and writes the CTest file that runs them in groups: the
# tests of one suite, at most GROUP_SIZE in one process. Starting a test binary (loading Qt,
# making the application object, the test's own home) cost more than most tests themselves, and
# the sanitizer build twice that; a suite's tests already share their fixture and pass in one
# process. A failing group shows gtest's own report of which test failed; a group that ran no
# test at all fails.
# Run after each build of the binary (see tarsel_discover_test_groups), with
#   -D TEST_EXECUTABLE=... -D CTEST_FILE=... -D GROUP_SIZE=N -D TIMEOUT=S
#   -D LABELS=a;b -D ENVIRONMENT=A=1;B=2
execute_process(COMMAND "${TEST_EXECUTABLE}" --gtest_list_tests
    OUTPUT_VARIABLE _list RESULT_VARIABLE _rc ERROR_VARIABLE _err TIMEOUT 60)
if(NOT _rc EQUAL 0)
    message(FATAL_ERROR "${TEST_EXECUTABLE} --gtest_list_tests failed (${_rc}):\n${_err}")
endif()

string(REPLACE ";" "\\;" _list "${_list}")
string(REPLACE "\n" ";" _lines "${_list}")
set(_suites "")
foreach(_line IN LISTS _lines)
    if(_line MATCHES "^([^ #][^ ]*)\\.$")
        set(_suite "${CMAKE_MATCH_1}")
        list(APPEND _suites "${_suite}")
        set("_tests_${_suite}" "")
    elseif(_line MATCHES "^  ([^ ]+)")
        set(_test "${CMAKE_MATCH_1}")
        if(NOT _test MATCHES "^DISABLED_" AND NOT _suite MATCHES "(^|/)DISABLED_")
            list(APPEND "_tests_${_suite}" "${_suite}.${_test}")
        endif()
    endif()
endforeach()

string(REPLACE ";" "\\;" _env "${ENVIRONMENT}")
set(_out "")
foreach(_suite IN LISTS _suites)
    list(LENGTH "_tests_${_suite}" _count)
    if(_count EQUAL 0)
        continue()
    endif()
    # As many groups as the size allows, their tests spread evenly.
    math(EXPR _groups "(${_count} + ${GROUP_SIZE} - 1) / ${GROUP_SIZE}")
    math(EXPR _last "${_groups} - 1")
    foreach(_g RANGE ${_last})
        math(EXPR _from "${_g} * ${_count} / ${_groups}")
        math(EXPR _to "(${_g} + 1) * ${_count} / ${_groups}")
        math(EXPR _n "${_to} - ${_from}")
        list(SUBLIST "_tests_${_suite}" ${_from} ${_n} _members)
        list(JOIN _members ":" _filter)
        set(_name "${_suite}")
        if(_n EQUAL 1 AND _groups GREATER 1)
            set(_name "${_members}")
        elseif(_groups GREATER 1)
            math(EXPR _number "${_g} + 1")
            set(_name "${_suite}#${_number}")
        endif()
        string(APPEND _out
            "add_test([==[${_name}]==] [==[${TEST_EXECUTABLE}]==] [==[--gtest_filter=${_filter}]==])\n"
            "set_tests_properties([==[${_name}]==] PROPERTIES LABELS [==[${LABELS}]==]"
            " ENVIRONMENT [==[${_env}]==] TIMEOUT ${TIMEOUT} COST ${_n}"
            " FAIL_REGULAR_EXPRESSION [==[\\[  PASSED  \\] 0 tests]==])\n")
    endforeach()
endforeach()
file(WRITE "${CTEST_FILE}" "${_out}")
