# Builds the Debian packages of a build folder, one per install component,
# with Debian's own tools, as debhelper would:
#   cmake -DBUILD_DIR=<build folder> -DOUT=<folder for the .deb files> -P build_packages.cmake
# The package trees are left in OUT/tree/debian/<package> for a look inside.

include(${BUILD_DIR}/packaging/debian/settings.cmake)

include(${CMAKE_CURRENT_LIST_DIR}/../run.cmake)

function(check_build_folder)
    execute_process(COMMAND dpkg-architecture -qDEB_HOST_MULTIARCH
        OUTPUT_VARIABLE multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
    if(NOT DEB_LIBDIR STREQUAL "lib/${multiarch}")
        message(FATAL_ERROR "the packages put libraries in /usr/lib/${multiarch}, this build in "
            "/usr/${DEB_LIBDIR}: configure with -DCMAKE_INSTALL_LIBDIR=lib/${multiarch}")
    endif()
    run(dpkg-parsechangelog -l ${DEB_CONFIGURED_DIR}/changelog -S Version)
    string(STRIP "${output}" version)
    if(NOT version MATCHES "^${DEB_UPSTREAM_VERSION}-[^-]+$")
        message(FATAL_ERROR "the newest entry of packaging/debian/changelog.in is for ${version} "
            "while the project is at ${DEB_UPSTREAM_VERSION}: add an entry for it")
    endif()
endfunction()

# install(... ) without a COMPONENT would install into no package.
function(check_every_file_has_a_package tree)
    set(root ${tree}/unspecified)
    run(${CMAKE_COMMAND} -E env DESTDIR=${root}
        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr --component Unspecified)
    file(GLOB_RECURSE strays LIST_DIRECTORIES false ${root}/*)
    if(strays)
        message(FATAL_ERROR "installed by no package (give their install() a COMPONENT): ${strays}")
    endif()
    file(REMOVE_RECURSE ${root})
endfunction()

function(is_elf file result)
    file(READ ${file} magic LIMIT 4 HEX)
    if(magic STREQUAL "7f454c46")
        set(${result} ON PARENT_SCOPE)
    else()
        set(${result} OFF PARENT_SCOPE)
    endif()
endfunction()

# Stripped as dh_strip does: no symbols a program or library does not need,
# no compiler notes. Without the run paths by which a prefix install finds
# its libraries: here they are in the system's own folders.
function(strip_binary root file)
    if(file MATCHES "^usr/${DEB_BINDIR}/")
        set(unneeded)
    else()
        set(unneeded --strip-unneeded)
    endif()
    run(${DEB_STRIP} --remove-section=.comment --remove-section=.note ${unneeded} ${root}/${file})
    file(RPATH_REMOVE FILE ${root}/${file})
endfunction()

function(install_component component root)
    run(${CMAKE_COMMAND} -E env DESTDIR=${root}
        ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix /usr --component ${component})
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/*)
    if(NOT files)
        message(FATAL_ERROR "the install component ${component} installs nothing")
    endif()
    foreach(file IN LISTS files)
        if(NOT IS_SYMLINK ${root}/${file})
            is_elf(${root}/${file} elf)
            if(elf)
                strip_binary(${root} ${file})
            endif()
        endif()
    endforeach()
endfunction()

function(add_debian_files package root)
    set(doc ${root}/usr/share/doc/${package})
    file(MAKE_DIRECTORY ${doc} ${root}/usr/share/lintian/overrides ${root}/DEBIAN)
    file(COPY_FILE ${DEB_CONFIGURED_DIR}/copyright ${doc}/copyright)
    execute_process(COMMAND gzip -9 -n -c ${DEB_CONFIGURED_DIR}/changelog
        OUTPUT_FILE ${doc}/changelog.Debian.gz COMMAND_ERROR_IS_FATAL ANY)
    file(COPY_FILE ${DEB_SOURCE_DIR}/lintian-overrides ${root}/usr/share/lintian/overrides/${package})
    foreach(control shlibs triggers)
        if(EXISTS ${DEB_SOURCE_DIR}/${package}.${control})
            file(COPY_FILE ${DEB_SOURCE_DIR}/${package}.${control} ${root}/DEBIAN/${control})
        endif()
    endforeach()
endfunction()

# Owner-writable, world-readable; executable only the programs, as
# dh_fixperms leaves them (shared libraries and plugins are not run).
function(fix_permissions root)
    file(GLOB_RECURSE entries LIST_DIRECTORIES true RELATIVE ${root} ${root}/*)
    foreach(entry IN LISTS entries)
        if(IS_SYMLINK ${root}/${entry})
            continue()
        elseif(IS_DIRECTORY ${root}/${entry} OR entry MATCHES "^usr/${DEB_BINDIR}/")
            file(CHMOD ${root}/${entry} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE
                GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
        else()
            file(CHMOD ${root}/${entry} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
        endif()
    endforeach()
endfunction()

function(write_md5sums root)
    file(GLOB_RECURSE files LIST_DIRECTORIES false RELATIVE ${root} ${root}/usr/*)
    list(SORT files)
    set(sums "")
    foreach(file IN LISTS files)
        if(NOT IS_SYMLINK ${root}/${file})
            file(MD5 ${root}/${file} sum)
            string(APPEND sums "${sum}  ${file}\n")
        endif()
    endforeach()
    file(WRITE ${root}/DEBIAN/md5sums "${sums}")
endfunction()

# Run in the tree: dpkg-shlibdeps finds anchorlib's shlibs in debian/libanchorlib1.
function(compute_dependencies tree package)
    set(root ${tree}/debian/${package})
    file(GLOB_RECURSE files LIST_DIRECTORIES false ${root}/usr/*)
    set(binaries)
    foreach(file IN LISTS files)
        if(NOT IS_SYMLINK ${file})
            is_elf(${file} elf)
            if(elf)
                list(APPEND binaries -e${file})
            endif()
        endif()
    endforeach()
    file(TOUCH ${tree}/debian/${package}.substvars)
    if(binaries)
        execute_process(COMMAND dpkg-shlibdeps -Tdebian/${package}.substvars ${binaries}
            WORKING_DIRECTORY ${tree} COMMAND_ERROR_IS_FATAL ANY)
    endif()
endfunction()

function(build_package tree package)
    set(root ${tree}/debian/${package})
    fix_permissions(${root})
    write_md5sums(${root})
    execute_process(COMMAND dpkg-gencontrol -p${package} -cdebian/control -ldebian/changelog
            -Tdebian/${package}.substvars -Pdebian/${package} -fdebian/files
        WORKING_DIRECTORY ${tree} COMMAND_ERROR_IS_FATAL ANY)
    run(dpkg-deb --root-owner-group --build ${root} ${OUT})
endfunction()

check_build_folder()
set(tree ${OUT}/tree)
file(REMOVE_RECURSE ${tree})
file(GLOB old_packages ${OUT}/*.deb)
if(old_packages)
    file(REMOVE ${old_packages})
endif()
file(MAKE_DIRECTORY ${tree}/debian)
file(COPY_FILE ${DEB_CONFIGURED_DIR}/control ${tree}/debian/control)
file(COPY_FILE ${DEB_CONFIGURED_DIR}/changelog ${tree}/debian/changelog)
check_every_file_has_a_package(${tree})

# All trees first: a package's dependencies on another come from that one's shlibs.
set(packages)
foreach(pair IN LISTS DEB_PACKAGES)
    string(REPLACE "=" ";" pair ${pair})
    list(GET pair 0 component)
    list(GET pair 1 package)
    install_component(${component} ${tree}/debian/${package})
    add_debian_files(${package} ${tree}/debian/${package})
    list(APPEND packages ${package})
endforeach()
foreach(package IN LISTS packages)
    compute_dependencies(${tree} ${package})
    build_package(${tree} ${package})
endforeach()
file(GLOB made ${OUT}/*.deb)
string(REPLACE ";" "\n  " made "${made}")
message(STATUS "Debian packages:\n  ${made}")
