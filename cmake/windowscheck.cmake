# The Windows-only branches (Q_OS_WIN, _WIN32) compiled, not only read: target "windows-check"
# runs every product source through MinGW's compiler as a syntax and type check, with this
# machine's Qt headers. Nothing is linked and no Windows Qt is used, so it finds code that does
# not compile on Windows, not code that would fail there.
find_program(MIREL_MINGW_CXX NAMES x86_64-w64-mingw32-g++-posix)
if(NOT MIREL_MINGW_CXX)
    return()
endif()

set(mirel_windows_sources ${PROJECT_SOURCE_DIR}/app/main.cpp)
foreach(target mirelcore mirelsim)
    get_target_property(sources ${target} SOURCES)
    get_target_property(folder ${target} SOURCE_DIR)
    foreach(source IN LISTS sources)
        cmake_path(ABSOLUTE_PATH source BASE_DIRECTORY ${folder})
        list(APPEND mirel_windows_sources ${source})
    endforeach()
endforeach()
list(FILTER mirel_windows_sources INCLUDE REGEX "\\.cpp$")
# Built on Unix only: the signal handling a Windows session does not send.
list(FILTER mirel_windows_sources EXCLUDE REGEX "/terminationsignalquit\\.cpp$")

# Qt's own header folders only: the modules' include lists also name this system's /usr/include,
# whose C library headers are not MinGW's.
set(qt_headers ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_HEADERS})
file(GLOB qt_module_headers LIST_DIRECTORIES true ${qt_headers}/Qt*)
set(mirel_windows_includes -I${PROJECT_SOURCE_DIR} -I${qt_headers})
list(TRANSFORM qt_module_headers PREPEND -I)
list(APPEND mirel_windows_includes ${qt_module_headers})

add_custom_target(windows-check
    COMMAND ${MIREL_MINGW_CXX} -fsyntax-only -std=c++17 -Wno-attributes -DUNICODE -D_UNICODE
            ${mirel_windows_includes}
            "-D$<JOIN:$<TARGET_PROPERTY:mirelcore,COMPILE_DEFINITIONS>,$<SEMICOLON>-D>"
            ${mirel_windows_sources}
    COMMENT "Compiling the Windows code paths with ${MIREL_MINGW_CXX}"
    COMMAND_EXPAND_LISTS VERBATIM)
