# Makes the program folder's zip as `make package-windows` does, and unpacks it fresh into UNPACKED, so
# that the end-to-end test runs the program folder users get from the zip.
# Usage: cmake -DBINARY_DIR=<build dir> -DCPACK=<cpack> -DZIP=<zip> -DUNPACKED=<folder> -P unpack_program_zip.cmake
execute_process(COMMAND ${CPACK} -G ZIP --config ${BINARY_DIR}/CPackConfig.cmake
    WORKING_DIRECTORY ${BINARY_DIR} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT EXISTS ${ZIP})
    message(FATAL_ERROR "cpack did not make ${ZIP}:\n${output}")
endif()
file(REMOVE_RECURSE ${UNPACKED})
file(MAKE_DIRECTORY ${UNPACKED})
execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf ${ZIP} WORKING_DIRECTORY ${UNPACKED} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${ZIP} does not unpack")
endif()
message(STATUS "Unpacked ${ZIP} into ${UNPACKED}")
