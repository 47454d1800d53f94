# Builds the Debian packages once, lints them, and checks the files each
# holds and the dependencies computed for it.
#   cmake -DBUILD_DIR=... -DOUT=... -DSOURCE_DIR=... -DAPP_ID=... -DPLUGIN=ON|OFF -P package_contents.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../packaging/run.cmake)
include(${CMAKE_CURRENT_LIST_DIR}/spdx_lines.cmake)
include(${BUILD_DIR}/packaging/debian/settings.cmake)

run(${CMAKE_COMMAND} -DBUILD_DIR=${BUILD_DIR} -DOUT=${OUT}
    -P ${SOURCE_DIR}/packaging/debian/build_packages.cmake)
run(dpkg-parsechangelog -l ${DEB_CONFIGURED_DIR}/changelog -S Version)
string(STRIP "${output}" version)
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(lib usr/${DEB_LIBDIR})

# package_files(<deb> <files>): the paths of its files and links, as
# "path" or "path -> target", without the folders.
function(package_files deb result)
    run(dpkg-deb --contents ${deb})
    string(REPLACE "\n" ";" lines "${output}")
    set(files)
    foreach(line IN LISTS lines)
        if(line MATCHES " \\./(.*[^/])$")
            list(APPEND files "${CMAKE_MATCH_1}")
        endif()
    endforeach()
    set(${result} "${files}" PARENT_SCOPE)
endfunction()

# Each pattern matches a file of the package, and each file a pattern:
# nothing missing, nothing stray (no tests, benchmarks or another package's files).
function(check_files package)
    set(deb ${OUT}/${package}_${version}_${arch}.deb)
    if(NOT EXISTS ${deb})
        file(GLOB made ${OUT}/*.deb)
        message(FATAL_ERROR "expected ${deb}, made: ${made}")
    endif()
    package_files(${deb} files)
    set(patterns ${ARGN}
        "usr/share/doc/${package}/copyright"
        "usr/share/doc/${package}/changelog\\.Debian\\.gz"
        "usr/share/lintian/overrides/${package}")
    foreach(pattern IN LISTS patterns)
        set(left "${files}")
        list(FILTER left EXCLUDE REGEX "^${pattern}$")
        if(left STREQUAL files)
            message(FATAL_ERROR "${package} lacks ${pattern}; it holds:\n${files}")
        endif()
        set(files "${left}")
    endforeach()
    if(files)
        message(FATAL_ERROR "${package} holds files it should not:\n${files}")
    endif()
endfunction()

# check_depends(<package> NEED <patterns>... NOT <patterns>...)
function(check_depends package)
    cmake_parse_arguments(ARG "" "" "NEED;NOT" ${ARGN})
    run(dpkg-deb --field ${OUT}/${package}_${version}_${arch}.deb Depends)
    set(depends "${output}")
    foreach(pattern IN LISTS ARG_NEED)
        if(NOT depends MATCHES "${pattern}")
            message(FATAL_ERROR "${package} does not depend on ${pattern}: ${depends}")
        endif()
    endforeach()
    foreach(pattern IN LISTS ARG_NOT)
        if(depends MATCHES "${pattern}")
            message(FATAL_ERROR "${package} depends on ${CMAKE_MATCH_0}: ${depends}")
        endif()
    endforeach()
endfunction()

function(check_control_file package name expected)
    run(dpkg-deb --info ${OUT}/${package}_${version}_${arch}.deb ${name})
    if(NOT output STREQUAL expected)
        message(FATAL_ERROR "${package}'s ${name} is\n${output}\nnot\n${expected}")
    endif()
endfunction()

check_files(libanchorlib1
    "${lib}/libanchorlib\\.so\\.1\\.1\\.0"
    "${lib}/libanchorlib\\.so\\.1 -> libanchorlib\\.so\\.1\\.1\\.0")
check_depends(libanchorlib1 NEED "libqt6widgets6" "libqt6core6" "libc6" NOT "libqt6designer6")
check_control_file(libanchorlib1 shlibs "libanchorlib 1 libanchorlib1 (>= ${DEB_UPSTREAM_VERSION})\n")
check_control_file(libanchorlib1 triggers "activate-noawait ldconfig\n")

check_files(libanchorlib-dev
    "${lib}/libanchorlib\\.so -> libanchorlib\\.so\\.1"
    "usr/include/anchorlib/anchor\\.h"
    "usr/include/anchorlib/anchorlib\\.h"
    "usr/include/anchorlib/anchorlib_export\\.h"
    "usr/include/anchorlib/designscale\\.h"
    "usr/include/anchorlib/ppanchors\\.h"
    "${lib}/cmake/anchorlib/anchorlibConfig\\.cmake"
    "${lib}/cmake/anchorlib/anchorlibConfigVersion\\.cmake"
    "${lib}/cmake/anchorlib/anchorlibTargets\\.cmake"
    "${lib}/cmake/anchorlib/anchorlibTargets-[a-z]+\\.cmake")
check_depends(libanchorlib-dev NEED "libanchorlib1 \\(= ${version}\\)" "qt6-base-dev")

check_files(brisko-batch
    "usr/bin/brisko-batch"
    "usr/share/brisko/translations/brisko_de\\.qm"
    "usr/share/man/man1/brisko-batch\\.1\\.gz")
check_depends(brisko-batch NEED "libqt6core6" "libtag1v5" "libjpeg62-turbo" "libpng16-16" NOT "libqt6designer6")
# It runs without a display: no Qt Gui or Widgets (nor anchorlib, a Widgets
# library), X, OpenGL or platform plugins, so a server installs none of them.
check_depends(brisko-batch NOT "libqt6gui6" "libqt6widgets6" "libanchorlib1" "libqt6opengl" "libqt6xcb"
    "qt6-qpa-plugins" "libx11" "libxcb" "libxkbcommon" "libgl1" "libegl1" "libopengl0" "libglx0")

set(icons)
foreach(side 16 22 24 32 48 64 128 256 512)
    list(APPEND icons "usr/share/icons/hicolor/${side}x${side}/apps/${APP_ID}\\.png")
endforeach()
check_files(brisko
    "usr/bin/brisko"
    "usr/share/applications/${APP_ID}\\.desktop"
    "usr/share/metainfo/${APP_ID}\\.metainfo\\.xml"
    ${icons}
    "usr/share/brisko/help/index\\.html"
    "usr/share/man/man1/brisko\\.1\\.gz")
run(dpkg-deb --field ${OUT}/brisko_${version}_${arch}.deb Recommends)
if(NOT output MATCHES "qt6-translations-l10n")
    message(FATAL_ERROR "brisko does not recommend Qt's own catalogues: ${output}")
endif()
check_depends(brisko
    NEED "libqt6widgets6" "libanchorlib1 \\(>= ${DEB_UPSTREAM_VERSION}\\)" "brisko-batch \\(= ${version}\\)"
         "qt6-qpa-plugins" "libtag1v5" "libjpeg62-turbo"
    NOT "libqt6designer6")
file(READ ${OUT}/tree/debian/brisko/usr/share/metainfo/${APP_ID}.metainfo.xml metainfo)
if(NOT metainfo MATCHES "<project_license>MIT</project_license>")
    message(FATAL_ERROR "the metadata does not name the MIT licence:\n${metainfo}")
endif()

if(PLUGIN)
    check_files(libanchorlib-designer "${lib}/qt6/plugins/designer/libanchorlibplugin\\.so")
    check_depends(libanchorlib-designer NEED "libqt6designer6" "libanchorlib1 \\(>= ")
endif()

# What the packages are, for the log.
file(GLOB debs ${OUT}/*.deb)
foreach(deb IN LISTS debs)
    run(dpkg-deb --field ${deb} Package Version Installed-Size Depends)
    message(STATUS "${output}")
endforeach()

find_program(LINTIAN lintian)
if(LINTIAN)
    # Overrides and hints shown for the log; only errors and warnings fail.
    execute_process(COMMAND ${LINTIAN} --fail-on none --show-overrides --display-info ${debs}
        RESULT_VARIABLE result OUTPUT_VARIABLE remarks ERROR_VARIABLE errors)
    if(NOT result EQUAL 0 OR remarks MATCHES "(^|\n)[EW]: ")
        message(FATAL_ERROR "lintian (${result}):\n${remarks}\n${errors}")
    endif()
    message(STATUS "lintian: no errors, no warnings\n${remarks}")
else()
    message(STATUS "SKIPPED: lintian is not installed (sh scripts/setup.sh installs it)")
endif()

check_spdx_lines(${SOURCE_DIR})
