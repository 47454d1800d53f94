# Builds the Debian package and checks what it holds and what it asks for.
#   cmake -DBUILD_DIR=... -DOUT=... -DAPP_ID=... -DVERSION=... -DPLUGIN=ON|OFF -P package_contents.cmake

include(${CMAKE_CURRENT_LIST_DIR}/run.cmake)

file(REMOVE_RECURSE ${OUT})
run(cpack -G DEB --config ${BUILD_DIR}/CPackConfig.cmake -B ${OUT})
execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE arch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(deb ${OUT}/brisko_${VERSION}_${arch}.deb)
if(NOT EXISTS ${deb})
    file(GLOB made ${OUT}/*.deb)
    message(FATAL_ERROR "expected ${deb}, cpack made: ${made}")
endif()

run(dpkg-deb -c ${deb})
set(listing "${output}")
string(REPLACE "\n" ";" lines "${listing}")
set(expected
    "./usr/bin/brisko$"
    "./usr/bin/brisko-batch$"
    "./usr/lib/libanchorlib.so.1.0.3$"
    "./usr/lib/libanchorlib.so.1 -> libanchorlib.so.1.0.3"
    "./usr/lib/libanchorlib.so -> libanchorlib.so.1"
    "./usr/include/anchorlib/anchor.h$"
    "./usr/lib/cmake/anchorlib/anchorlibConfig.cmake$"
    "./usr/share/applications/${APP_ID}.desktop$"
    "./usr/share/metainfo/${APP_ID}.metainfo.xml$"
    "./usr/share/icons/hicolor/48x48/apps/${APP_ID}.png$"
    "./usr/share/icons/hicolor/256x256/apps/${APP_ID}.png$"
    "./usr/share/brisko/help/index.html$"
    "./usr/share/man/man1/brisko.1.gz$"
    "./usr/share/man/man1/brisko-batch.1.gz$")
if(PLUGIN)
    list(APPEND expected "/qt6/plugins/designer/libanchorlibplugin.so$")
endif()
foreach(entry IN LISTS expected)
    set(found OFF)
    foreach(line IN LISTS lines)
        if(line MATCHES "${entry}")
            set(found ON)
            break()
        endif()
    endforeach()
    if(NOT found)
        message(FATAL_ERROR "the package lacks ${entry}:\n${listing}")
    endif()
endforeach()
if(listing MATCHES "tst_|_bench|render_icons")
    message(FATAL_ERROR "the package holds test or build tools:\n${listing}")
endif()

# Dependencies computed from the shared libraries the programs use.
run(dpkg-deb -f ${deb} Package Version Depends)
foreach(field "Package: brisko" "Version: ${VERSION}" "libqt6widgets6" "libtag1v5" "libjpeg62-turbo"
              "qt6-qpa-plugins")
    string(FIND "${output}" "${field}" at)
    if(at EQUAL -1)
        message(FATAL_ERROR "the package's control fields lack ${field}:\n${output}")
    endif()
endforeach()
message(STATUS "${deb}:\n${output}")
