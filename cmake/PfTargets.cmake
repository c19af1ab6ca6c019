include_guard(GLOBAL)
include(GoogleTest)

# pf_add_test(<name> SOURCES ... LIBS ... [LABELS label] [TIMEOUT s] [WIDGET] [PROPERTIES name value ...])
# One GoogleTest executable linking the libraries under test; every case is a ctest test, with the
# further test PROPERTIES given. WIDGET tests run offscreen and use the support main that creates the
# QApplication.
function(pf_add_test name)
    cmake_parse_arguments(ARG "WIDGET" "TIMEOUT;LABELS" "SOURCES;LIBS;PROPERTIES" ${ARGN})
    if(NOT ARG_TIMEOUT)
        set(ARG_TIMEOUT 60)
    endif()
    add_executable(${name})
    target_sources(${name} PRIVATE ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} pf_testsupport GTest::gmock)
    if(ARG_WIDGET)
        target_link_libraries(${name} PRIVATE pf_widgetmain)
    else()
        target_link_libraries(${name} PRIVATE GTest::gtest_main)
    endif()
    set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
    # Listing the tests starts the executable: under Wine on a loaded machine the first start in a fresh
    # prefix takes seconds, so the listing gets as long as a test.
    gtest_discover_tests(${name}
        DISCOVERY_MODE PRE_TEST
        DISCOVERY_TIMEOUT ${ARG_TIMEOUT}
        PROPERTIES
            LABELS ${ARG_LABELS}
            TIMEOUT ${ARG_TIMEOUT}
            ENVIRONMENT "QT_QPA_PLATFORM=offscreen"
            ENVIRONMENT_MODIFICATION "PF_BIN_DIR=set:${PF_BIN_DIR}"
            ${ARG_PROPERTIES})
endfunction()

# Fails the configure step when any of the targets links Qt, directly or through another target.
function(pf_forbid_qt)
    foreach(target IN LISTS ARGN)
        _pf_collect_links(${target} links)
        foreach(lib IN LISTS links)
            if(lib MATCHES "^Qt")
                message(FATAL_ERROR "${target} must not link Qt (found ${lib}); move that code into frontends/qt/.")
            endif()
        endforeach()
    endforeach()
endfunction()

function(_pf_collect_links target out)
    set(result "")
    set(pending ${target})
    set(seen "")
    while(pending)
        list(POP_FRONT pending current)
        if(current IN_LIST seen OR NOT TARGET ${current})
            continue()
        endif()
        list(APPEND seen ${current})
        get_target_property(libs ${current} LINK_LIBRARIES)
        get_target_property(ilibs ${current} INTERFACE_LINK_LIBRARIES)
        foreach(lib IN LISTS libs ilibs)
            if(lib AND NOT lib MATCHES "NOTFOUND$")
                string(REGEX REPLACE "^\\$<LINK_ONLY:(.*)>$" "\\1" lib "${lib}")
                list(APPEND result ${lib})
                list(APPEND pending ${lib})
            endif()
        endforeach()
    endwhile()
    set(${out} ${result} PARENT_SCOPE)
endfunction()
