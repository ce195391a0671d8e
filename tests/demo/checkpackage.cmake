# Builds mirel's .deb with CPack and checks what a user gets: its name, the files a desktop
# needs to start mirel, the simulator, and dependencies that bring the web engine along.
# Usage: cmake -DCPACK=... -DCONFIG=.../CPackConfig.cmake -DOUTPUT_DIR=... -DVERSION=... -DLIBDIR=... -P checkpackage.cmake

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
set(deb "${OUTPUT_DIR}/mirel_${VERSION}_${architecture}.deb")
if(NOT EXISTS "${deb}")
    file(GLOB built "${OUTPUT_DIR}/*.deb")
    message(FATAL_ERROR "expected ${deb}, CPack made: ${built}")
endif()

run(dpkg-deb --contents "${deb}")
set(contents "${output}")
set(failures "")
foreach(path usr/bin/mirel "usr/${LIBDIR}/mirel/libmirelsim.so" usr/share/applications/mirel.desktop
             usr/share/icons/hicolor/256x256/apps/mirel.png)
    # Lines end "./<path>", or "./<path> -> <target>" for a link.
    if(NOT contents MATCHES " \\./${path}(\n| -> )")
        list(APPEND failures "missing ${path}")
    endif()
endforeach()
if(NOT contents MATCHES "-rwxr-xr-x [^\n]* \\./usr/bin/mirel\n")
    list(APPEND failures "usr/bin/mirel is not executable")
endif()

run(dpkg-deb --field "${deb}" Depends)
foreach(package libqt6webenginewidgets6 libqt6webenginecore6-bin libqt6webchannel6)
    if(NOT output MATCHES "(^|, )${package}( |,|\n|$)")
        list(APPEND failures "Depends lacks ${package}: ${output}")
    endif()
endforeach()

if(failures)
    string(REPLACE ";" "\n" failures "${failures}")
    message(FATAL_ERROR "${deb}:\n${failures}\n\nContents:\n${contents}")
endif()
message(STATUS "${deb} holds mirel, the simulator and the desktop entry")
