# brisko-batch runs where no desktop is installed: it links no Qt Widgets.
# Run with -DBATCH=<the brisko-batch executable>.
execute_process(COMMAND readelf -d ${BATCH} OUTPUT_VARIABLE dynamic RESULT_VARIABLE failed)
if(failed)
    message(FATAL_ERROR "readelf cannot read ${BATCH}")
endif()
string(REGEX MATCHALL "Shared library: \\[[^]]+\\]" needed "${dynamic}")
message(STATUS "brisko-batch needs: ${needed}")
if(NOT needed MATCHES "libQt6Core")
    message(FATAL_ERROR "the dynamic section was not read: ${dynamic}")
endif()
if(needed MATCHES "Widgets|libQt6Network|anchorlib")
    message(FATAL_ERROR "brisko-batch links window libraries: ${needed}")
endif()
