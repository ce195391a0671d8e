# Packages: a .deb through CPack, and the Windows deployment step.
include(GNUInstallDirs)

if(WIN32)
    # Copies the Qt libraries, plugins and the web engine's process and resources beside
    # mirel.exe at install time (windeployqt underneath), so an installed folder runs as is.
    # Qt 6.5 renamed the option that returns the script; 6.3 and 6.4 know only the old one.
    if(Qt6_VERSION VERSION_GREATER_EQUAL 6.5)
        qt_generate_deploy_app_script(TARGET mirel OUTPUT_SCRIPT _mirel_deploy_script)
    else()
        qt_generate_deploy_app_script(TARGET mirel FILENAME_VARIABLE _mirel_deploy_script)
    endif()
    install(SCRIPT "${_mirel_deploy_script}")
elseif(UNIX AND NOT APPLE)
    set(MIREL_PACKAGE_MAINTAINER "Quenza <mirel@quenza.example>" CACHE STRING
        "Maintainer field of the .deb: who answers for the package")
    set(CPACK_GENERATOR DEB)
    set(CPACK_PACKAGE_NAME mirel)
    set(CPACK_PACKAGE_VENDOR Quenza)
    set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${PROJECT_DESCRIPTION}")
    set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
        "Opens the Quenza web application in a window of its own and lets its pages\n\
drive a connected colour-density measuring instrument. Ships a simulated\n\
instrument library for trying it without the hardware.")
    set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${MIREL_PACKAGE_MAINTAINER}")
    set(CPACK_DEBIAN_PACKAGE_SECTION graphics)
    # Built on one Debian release, the package depends on that release's libraries (Debian 13
    # renamed many, libqt6core6t64 and the like), so its file name says which release it is for.
    file(STRINGS /etc/os-release _mirel_codename REGEX "^VERSION_CODENAME=")
    string(REGEX REPLACE "^VERSION_CODENAME=\"?([^\"]*)\"?$" "\\1" MIREL_DEB_RELEASE "${_mirel_codename}")
    execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE _mirel_architecture
                    OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(MIREL_DEB_RELEASE AND _mirel_architecture)
        set(CPACK_DEBIAN_FILE_NAME "mirel_${PROJECT_VERSION}_${MIREL_DEB_RELEASE}_${_mirel_architecture}.deb")
    else()
        set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
    endif()
    # dpkg-shlibdeps (package dpkg-dev) names the Qt libraries mirel links, at the versions this
    # build needs; their shlibs add the web engine's helper process, libqt6webenginecore6-bin.
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
    # Qt's own texts (dialogs, buttons, the web engine's menu) in the person's language.
    set(CPACK_DEBIAN_PACKAGE_DEPENDS "qt6-translations-l10n")
    set(CPACK_STRIP_FILES ON)
    # Loaded only at run time: Wayland support, and the programs that open and print downloads.
    set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-wayland, xdg-utils, cups-client")

    # What Debian asks of every package: the manual page, the licence in its machine-readable
    # form and the changelog, compressed as Debian's own tools do (-n keeps the name and time
    # out, so the same sources give the same bytes).
    set(MIREL_DEFAULT_START_PAGE "https://${MIREL_START_HOST}/quenzamirel/login")
    set(MIREL_SIMULATOR_PATH "/usr/${MIREL_SIMULATOR_DIR}/libmirelsim.so")
    configure_file(app/resources/mirel.1.in mirel.1 @ONLY)
    set(_mirel_doc_dir ${CMAKE_CURRENT_BINARY_DIR}/doc)
    add_custom_command(OUTPUT ${_mirel_doc_dir}/mirel.1.gz ${_mirel_doc_dir}/changelog.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${_mirel_doc_dir}
        COMMAND gzip -9n -c ${CMAKE_CURRENT_BINARY_DIR}/mirel.1 > ${_mirel_doc_dir}/mirel.1.gz
        COMMAND gzip -9n -c ${CMAKE_CURRENT_SOURCE_DIR}/cmake/debian/changelog > ${_mirel_doc_dir}/changelog.gz
        DEPENDS ${CMAKE_CURRENT_BINARY_DIR}/mirel.1 cmake/debian/changelog
        VERBATIM)
    add_custom_target(mirel_docs DEPENDS ${_mirel_doc_dir}/mirel.1.gz ${_mirel_doc_dir}/changelog.gz)
    # Built with the program, so a tree where only mirel was built can still be packaged.
    add_dependencies(mirel mirel_docs)
    install(FILES ${_mirel_doc_dir}/mirel.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
    install(FILES ${_mirel_doc_dir}/changelog.gz cmake/debian/copyright
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/mirel)
    include(CPack)
endif()
