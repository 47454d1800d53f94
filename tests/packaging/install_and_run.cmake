# Installs the build into a fresh prefix, checks the desktop files with the
# desktop's own validators, and starts the installed brisko offscreen: it must
# come up and find its help and its German catalogue in the prefix.
#   cmake -DBUILD_DIR=... -DPREFIX=... -DAPP_ID=... -P install_and_run.cmake

include(${CMAKE_CURRENT_LIST_DIR}/../../packaging/run.cmake)

file(REMOVE_RECURSE ${PREFIX})
run(${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX})

run(desktop-file-validate ${PREFIX}/share/applications/${APP_ID}.desktop)
if(NOT "${output}${errors}" STREQUAL "")
    message(FATAL_ERROR "desktop-file-validate has remarks:\n${output}${errors}")
endif()
run(appstreamcli validate --no-net ${PREFIX}/share/metainfo/${APP_ID}.metainfo.xml)

# A private runtime folder and settings, so no running Brisko is disturbed.
set(home ${PREFIX}-home)
file(REMOVE_RECURSE ${home})
file(MAKE_DIRECTORY ${home}/runtime ${home}/config ${home}/data)
file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen BRISKO_SMOKE_TEST=quit
    XDG_RUNTIME_DIR=${home}/runtime XDG_CONFIG_HOME=${home}/config XDG_DATA_HOME=${home}/data
    timeout 60 ${PREFIX}/bin/brisko)
if(NOT output MATCHES "panel 1: Add Files")
    message(FATAL_ERROR "the installed brisko did not come up:\n${output}")
endif()
if(NOT output MATCHES "help: ${PREFIX}/share/brisko/help/index.html")
    message(FATAL_ERROR "the installed brisko did not find its help:\n${output}")
endif()
run(${PREFIX}/bin/brisko-batch --help)
# Both find their German catalogue in the prefix.
run(${CMAKE_COMMAND} -E env QT_QPA_PLATFORM=offscreen BRISKO_SMOKE_TEST=quit LANGUAGE=de LANG=C.UTF-8
    XDG_RUNTIME_DIR=${home}/runtime XDG_CONFIG_HOME=${home}/config XDG_DATA_HOME=${home}/data
    timeout 60 ${PREFIX}/bin/brisko)
if(NOT output MATCHES "panel 1: Dateien hinzufügen")
    message(FATAL_ERROR "the installed brisko does not speak German:\n${output}")
endif()
run(${CMAKE_COMMAND} -E env LANGUAGE=de LANG=C.UTF-8 ${PREFIX}/bin/brisko-batch --help)
if(NOT output MATCHES "^Aufruf: brisko-batch")
    message(FATAL_ERROR "the installed brisko-batch does not speak German:\n${output}")
endif()
message(STATUS "installed into ${PREFIX}, validated, started")
