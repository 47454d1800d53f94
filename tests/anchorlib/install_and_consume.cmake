# Installs the build into PREFIX, then configures, builds and runs the
# demonstration form as an outside project that finds anchorlib there.
function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN}\nfailed (${result}):\n${out}")
    endif()
    message(STATUS "${out}")
endfunction()

file(REMOVE_RECURSE "${PREFIX}" "${CONSUMER_BUILD}")
run(${CMAKE_COMMAND} --install "${BUILD_DIR}" --prefix "${PREFIX}")

foreach(installed
        ${LIBDIR}/libanchorlib.so.1.1.0 ${LIBDIR}/libanchorlib.so.1 ${LIBDIR}/libanchorlib.so
        include/anchorlib/anchor.h include/anchorlib/anchorlib_export.h
        ${LIBDIR}/cmake/anchorlib/anchorlibConfig.cmake
        ${LIBDIR}/cmake/anchorlib/anchorlibConfigVersion.cmake)
    if(NOT EXISTS "${PREFIX}/${installed}")
        message(FATAL_ERROR "not installed: ${installed}")
    endif()
endforeach()

# The Designer plugin, when built, finds the library in the same prefix by
# itself: Designer loads it with no library path set.
file(GLOB_RECURSE plugin "${PREFIX}/libanchorlibplugin.so")
if(plugin)
    execute_process(COMMAND ${CMAKE_COMMAND} -E env --unset=LD_LIBRARY_PATH ldd ${plugin}
        OUTPUT_VARIABLE linked ERROR_VARIABLE linked)
    string(REGEX MATCH "libanchorlib\\.so\\.1 => ([^ ]*)" found "${linked}")
    set(found "${CMAKE_MATCH_1}")
    if(EXISTS "${found}")
        file(REAL_PATH "${found}" found)
    endif()
    file(REAL_PATH "${PREFIX}/${LIBDIR}/libanchorlib.so.1" expected)
    if(NOT found STREQUAL expected)
        message(FATAL_ERROR "the installed plugin does not find anchorlib in its prefix:\n${linked}")
    endif()
endif()

run(${CMAKE_COMMAND} -S "${CONSUMER_SOURCE}" -B "${CONSUMER_BUILD}"
    "-DCMAKE_PREFIX_PATH=${PREFIX}" -DCMAKE_BUILD_TYPE=Release)
run(${CMAKE_COMMAND} --build "${CONSUMER_BUILD}" -j2)
run("${CONSUMER_BUILD}/anchordemo" --check)
