# Builds mirel's .deb with CPack and checks what a user gets: its name, the files a desktop
# needs to start mirel, the simulator, dependencies that bring the web engine along, the manual
# page, the licence and the changelog, no maintainer scripts, and nothing lintian objects to.
# Usage: cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DOUTPUT_DIR=... -DVERSION=... -DRELEASE=<codename>
#        -DSIMULATOR_DIR=... -P checkpackage.cmake

function(run)
    execute_process(COMMAND ${ARGN} RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        message(FATAL_ERROR "${ARGN} failed (${result}):\n${output}")
    endif()
    set(output "${output}" PARENT_SCOPE)
endfunction()

file(REMOVE_RECURSE "${OUTPUT_DIR}")
run("${CPACK}" --config "${CONFIG}" -G DEB -B "${OUTPUT_DIR}")

run(dpkg --print-architecture)
string(STRIP "${output}" architecture)
set(deb "${OUTPUT_DIR}/mirel_${VERSION}_${RELEASE}_${architecture}.deb")
if(NOT EXISTS "${deb}")
    file(GLOB built "${OUTPUT_DIR}/*.deb")
    message(FATAL_ERROR "expected ${deb}, CPack made: ${built}")
endif()

run(dpkg-deb --contents "${deb}")
set(contents "${output}")
set(failures "")
foreach(path usr/bin/mirel "usr/${SIMULATOR_DIR}/libmirelsim.so" usr/share/applications/mirel.desktop
             usr/share/icons/hicolor/256x256/apps/mirel.png usr/share/man/man1/mirel.1.gz
             usr/share/doc/mirel/copyright usr/share/doc/mirel/changelog.gz)
    # Lines end "./<path>", or "./<path> -> <target>" for a link.
    if(NOT contents MATCHES " \\./${path}(\n| -> )")
        list(APPEND failures "missing ${path}")
    endif()
endforeach()
if(NOT contents MATCHES "-rwxr-xr-x [^\n]* \\./usr/bin/mirel\n")
    list(APPEND failures "usr/bin/mirel is not executable")
endif()

run(dpkg-deb --field "${deb}" Depends)
# The Qt core library under the name this release gives it (libqt6core6t64 from Debian 13 on).
set(depends "${output}")
run(dpkg-query --search libQt6Core.so.6)
string(REGEX MATCH "^[^:]+" qt_core "${output}")
foreach(package libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6webchannel6 qt6-translations-l10n ${qt_core})
    if(NOT depends MATCHES "(^|, )${package}( |,|\n|$)")
        list(APPEND failures "Depends lacks ${package}: ${depends}")
    endif()
endforeach()

# The documents, read from the unpacked package: gzip -t fails on anything but gzip data.
set(root "${OUTPUT_DIR}/unpacked")
run(dpkg-deb --extract "${deb}" "${root}")
set(doc "${root}/usr/share/doc/mirel")
foreach(file "${root}/usr/share/man/man1/mirel.1.gz" "${doc}/changelog.gz")
    execute_process(COMMAND gzip -t "${file}" RESULT_VARIABLE result ERROR_VARIABLE output)
    if(NOT result EQUAL 0)
        list(APPEND failures "${file} is not gzip-compressed: ${output}")
    endif()
endforeach()
execute_process(COMMAND gzip -dc "${root}/usr/share/man/man1/mirel.1.gz" OUTPUT_VARIABLE page)
foreach(text "\n\\.TH MIREL 1 " "\n\\.B TrustedOrigins\n" "\n\\.B MIREL_SDK_LIBRARY\n")
    if(NOT page MATCHES "${text}")
        list(APPEND failures "the manual page lacks ${text}")
    endif()
endforeach()
if(EXISTS "${doc}/copyright")
    file(STRINGS "${doc}/copyright" copyright LIMIT_COUNT 1)
    if(NOT copyright STREQUAL "Format: https://www.debian.org/doc/packaging-manuals/copyright-format/1.0/")
        list(APPEND failures "copyright is not in the machine-readable format: ${copyright}")
    endif()
endif()
# The newest changelog entry must be the release being packaged.
execute_process(COMMAND gzip -dc "${doc}/changelog.gz" OUTPUT_VARIABLE changelog)
if(NOT changelog MATCHES "^mirel \\(${VERSION}\\) ")
    string(REGEX MATCH "^[^;\n]*" heading "${changelog}")
    list(APPEND failures "changelog.gz does not start with version ${VERSION}: ${heading}")
endif()

# A private library needs no ldconfig, and any removal script would leave the package
# half-installed ("rc") after apt remove.
run(dpkg-deb --control "${deb}" "${OUTPUT_DIR}/control")
foreach(script preinst postinst prerm postrm)
    if(EXISTS "${OUTPUT_DIR}/control/${script}")
        file(READ "${OUTPUT_DIR}/control/${script}" text)
        list(APPEND failures "has a ${script} script:\n${text}")
    endif()
endforeach()

# Debian's own checks: any error or warning fails, and so does any other output.
execute_process(COMMAND lintian --allow-root --fail-on error,warning "${deb}"
                RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
if(NOT result EQUAL 0 OR NOT output STREQUAL "")
    list(APPEND failures "lintian (${result}):\n${output}")
endif()

if(failures)
    string(REPLACE ";" "\n" failures "${failures}")
    message(FATAL_ERROR "${deb}:\n${failures}\n\nContents:\n${contents}")
endif()
message(STATUS "${deb} holds mirel, the simulator, the desktop entry and the manual page; lintian is silent")
