# Installation and packages. Linux: the program, its desktop entry, icons and AppStream data in the
# usual places, and a .deb through CPack. Windows: a windowed .exe with its icon, the Qt runtime
# deployed next to it at install time, and ZIP (plus NSIS when makensis is found) through CPack.

include(GNUInstallDirs)

set(VARTOLIN_APP_ID example.vartolin.Vartolin)
set(VARTOLIN_PACKAGING_DIR ${CMAKE_CURRENT_LIST_DIR})
set(VARTOLIN_PACKAGING_OUT ${CMAKE_BINARY_DIR}/packaging)
set(VARTOLIN_ICON_SVG ${VARTOLIN_PACKAGING_DIR}/vartolin.svg)

set(VARTOLIN_LINUX_DESKTOP OFF)
if(UNIX AND NOT APPLE)
    set(VARTOLIN_LINUX_DESKTOP ON)
endif()
option(VARTOLIN_BUILD_ICO "Build the Windows application icon (.ico) from the SVG" ${WIN32})

# On Windows the program sits at the top of its folder, with its DLLs beside it.
set(VARTOLIN_WINDOWS_BIN_DIR .)
if(WIN32)
    set(vartolin_bin_dir ${VARTOLIN_WINDOWS_BIN_DIR})
else()
    set(vartolin_bin_dir ${CMAKE_INSTALL_BINDIR})
endif()
install(TARGETS vartolin
    RUNTIME DESTINATION ${vartolin_bin_dir}
    BUNDLE DESTINATION .)
# The crash reporter: beside the game on Windows, in the program's own libexec folder elsewhere,
# where the game looks for it.
if(WIN32)
    install(TARGETS vartolin-reporter RUNTIME DESTINATION ${vartolin_bin_dir})
else()
    install(TARGETS vartolin-reporter RUNTIME DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/vartolin)
endif()

# --- Icons rendered from the SVG by the project's own art compiler ---------------------------------

set(icon_sizes)
if(VARTOLIN_LINUX_DESKTOP)
    list(APPEND icon_sizes 48 64 128 256)
endif()
if(VARTOLIN_BUILD_ICO)
    # The sizes Windows picks from for title bar, taskbar, Explorer views and high-DPI screens.
    list(APPEND icon_sizes 16 24 32 48 64 128 256)
endif()
list(REMOVE_DUPLICATES icon_sizes)

set(icon_outputs)
set(icon_scratch ${VARTOLIN_PACKAGING_OUT}/scratch)
foreach(size IN LISTS icon_sizes)
    set(png ${VARTOLIN_PACKAGING_OUT}/icons/vartolin-${size}.png)
    # `artc preview` also writes a zoomed copy and prints margins; both stay in the scratch folder.
    add_custom_command(
        OUTPUT ${png}
        COMMAND ${CMAKE_COMMAND} -E make_directory ${icon_scratch} ${VARTOLIN_PACKAGING_OUT}/icons
        COMMAND ${VARTOLIN_ARTC} preview ${VARTOLIN_ICON_SVG} ${size}x${size} png-alpha
                ${icon_scratch}/vartolin-${size}.png 1
        COMMAND ${CMAKE_COMMAND} -E copy ${icon_scratch}/vartolin-${size}.png ${png}
        DEPENDS ${VARTOLIN_ARTC_DEPENDS} ${VARTOLIN_ICON_SVG}
        COMMENT "Rendering the ${size}x${size} application icon"
        VERBATIM)
    list(APPEND icon_outputs ${png})
    set(icon_png_${size} ${png})
endforeach()

if(VARTOLIN_BUILD_ICO)
    set(VARTOLIN_ICO ${VARTOLIN_PACKAGING_OUT}/vartolin.ico)
    set(ico_pngs)
    foreach(size 256 128 64 48 32 24 16)
        list(APPEND ico_pngs ${icon_png_${size}})
    endforeach()
    add_custom_command(
        OUTPUT ${VARTOLIN_ICO}
        COMMAND ${VARTOLIN_ARTC} icon ${VARTOLIN_ICO} ${ico_pngs}
        DEPENDS ${VARTOLIN_ARTC_DEPENDS} ${ico_pngs}
        COMMENT "Packing the Windows application icon"
        VERBATIM)
    list(APPEND icon_outputs ${VARTOLIN_ICO})
endif()

if(icon_outputs)
    # The custom commands live in this folder, the program in src/: a target here runs them.
    add_custom_target(vartolin_icons ALL DEPENDS ${icon_outputs})
endif()

# --- Linux desktop integration ----------------------------------------------------------------------

if(VARTOLIN_LINUX_DESKTOP)
    # The system Qt is found through the usual library path; a packaged binary carries no RPATH.
    set_target_properties(vartolin PROPERTIES INSTALL_RPATH "")

    # SOURCE_DATE_EPOCH, when set, fixes this date for reproducible packages.
    string(TIMESTAMP VARTOLIN_RELEASE_DATE "%Y-%m-%d" UTC)
    configure_file(${VARTOLIN_PACKAGING_DIR}/${VARTOLIN_APP_ID}.metainfo.xml.in
                   ${VARTOLIN_PACKAGING_OUT}/${VARTOLIN_APP_ID}.metainfo.xml @ONLY)

    # Named after the executable: with no desktop file name set in the program, that is the app id
    # Qt gives its windows on Wayland, so the window finds its entry and icon.
    install(FILES ${VARTOLIN_PACKAGING_DIR}/vartolin.desktop
            DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
    install(FILES ${VARTOLIN_PACKAGING_OUT}/${VARTOLIN_APP_ID}.metainfo.xml
            DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
    install(FILES ${VARTOLIN_ICON_SVG}
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
    foreach(size 48 64 128 256)
        install(FILES ${icon_png_${size}}
                DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
                RENAME vartolin.png)
    endforeach()

    # A stripped install also drops the compilers' version notes, as Debian's own packages do.
    if(CMAKE_OBJCOPY)
        foreach(installed ${CMAKE_INSTALL_BINDIR}/$<TARGET_FILE_NAME:vartolin>
                          ${CMAKE_INSTALL_LIBEXECDIR}/vartolin/$<TARGET_FILE_NAME:vartolin-reporter>)
            install(CODE "
                if(CMAKE_INSTALL_DO_STRIP)
                    execute_process(COMMAND \"${CMAKE_OBJCOPY}\" --remove-section=.comment
                        \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${installed}\"
                        COMMAND_ERROR_IS_FATAL ANY)
                endif()")
        endforeach()
    endif()

    # --- Manual pages, changelog and copyright ---

    # The copyright file carries the licence the program shows, so the two cannot drift apart.
    set(licence_file ${PROJECT_SOURCE_DIR}/src/about/licence.txt)
    set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${licence_file})
    file(READ ${licence_file} licence)
    string(REPLACE "\r" "" licence "${licence}")
    string(REGEX REPLACE "\n+$" "" licence "${licence}")
    string(REPLACE "\n" "\n " licence " ${licence}")
    # An empty line of the text is " ." in a Debian control-style field; done twice for runs of them.
    string(REPLACE "\n \n" "\n .\n" licence "${licence}")
    string(REPLACE "\n \n" "\n .\n" VARTOLIN_LICENCE_DEP5 "${licence}")
    configure_file(${VARTOLIN_PACKAGING_DIR}/copyright.in ${VARTOLIN_PACKAGING_OUT}/doc/copyright @ONLY)

    string(TIMESTAMP VARTOLIN_CHANGELOG_DATE "%a, %d %b %Y %H:%M:%S +0000" UTC)
    configure_file(${VARTOLIN_PACKAGING_DIR}/changelog.in ${VARTOLIN_PACKAGING_OUT}/doc/changelog @ONLY)
    configure_file(${VARTOLIN_PACKAGING_DIR}/man/vartolin.6.in ${VARTOLIN_PACKAGING_OUT}/man/vartolin.6 @ONLY)
    configure_file(${VARTOLIN_PACKAGING_DIR}/man/fr/vartolin.6.in ${VARTOLIN_PACKAGING_OUT}/man/fr/vartolin.6
                   @ONLY)

    # gzip -n leaves out the name and time stamp, so the same text gives the same bytes.
    find_program(VARTOLIN_GZIP gzip REQUIRED)
    set(gzipped)
    foreach(file doc/changelog man/vartolin.6 man/fr/vartolin.6)
        set(copy ${VARTOLIN_PACKAGING_OUT}/gz/${file})
        get_filename_component(copy_dir ${copy} DIRECTORY)
        add_custom_command(
            OUTPUT ${copy}.gz
            COMMAND ${CMAKE_COMMAND} -E make_directory ${copy_dir}
            COMMAND ${CMAKE_COMMAND} -E copy ${VARTOLIN_PACKAGING_OUT}/${file} ${copy}
            COMMAND ${VARTOLIN_GZIP} -9nf ${copy}
            DEPENDS ${VARTOLIN_PACKAGING_OUT}/${file}
            COMMENT "Compressing ${file}"
            VERBATIM)
        list(APPEND gzipped ${copy}.gz)
    endforeach()
    add_custom_target(vartolin_docs ALL DEPENDS ${gzipped})

    # Named after the package, not the CMake project, as Debian expects.
    set(doc_dir ${CMAKE_INSTALL_DATADIR}/doc/vartolin)
    install(FILES ${VARTOLIN_PACKAGING_OUT}/doc/copyright DESTINATION ${doc_dir})
    install(FILES ${VARTOLIN_PACKAGING_OUT}/gz/doc/changelog.gz DESTINATION ${doc_dir})
    install(FILES ${VARTOLIN_PACKAGING_OUT}/gz/man/vartolin.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
    install(FILES ${VARTOLIN_PACKAGING_OUT}/gz/man/fr/vartolin.6.gz
            DESTINATION ${CMAKE_INSTALL_MANDIR}/fr/man6)
endif()

# --- Windows ----------------------------------------------------------------------------------------

if(WIN32)
    set_target_properties(vartolin PROPERTIES WIN32_EXECUTABLE ON)

    if(VARTOLIN_BUILD_ICO)
        # Icon only: the version resource is added to the program elsewhere.
        configure_file(${VARTOLIN_PACKAGING_DIR}/vartolin-icon.rc.in
                       ${VARTOLIN_PACKAGING_OUT}/vartolin-icon.rc @ONLY)
        target_sources(vartolin PRIVATE ${VARTOLIN_PACKAGING_OUT}/vartolin-icon.rc)
        set_source_files_properties(${VARTOLIN_PACKAGING_OUT}/vartolin-icon.rc
            TARGET_DIRECTORY vartolin
            PROPERTIES OBJECT_DEPENDS ${VARTOLIN_ICO})
        add_dependencies(vartolin vartolin_icons)
    endif()

    # The licence, readable by the user beside the program (CR LF, as Windows editors expect).
    file(READ ${PROJECT_SOURCE_DIR}/src/about/licence.txt licence)
    string(REPLACE "\r\n" "\n" licence "${licence}")
    string(REPLACE "\n" "\r\n" licence "${licence}")
    string(ASCII 239 187 191 utf8_bom) # the installer's licence page reads UTF-8 only with it
    file(WRITE ${VARTOLIN_PACKAGING_OUT}/LICENCE.txt "${utf8_bom}${licence}")
    install(FILES ${VARTOLIN_PACKAGING_OUT}/LICENCE.txt DESTINATION ${VARTOLIN_WINDOWS_BIN_DIR})

    if(CMAKE_CROSSCOMPILING)
        # The build machine has no windeployqt: our own step finds the DLLs from the imports.
        list(JOIN VARTOLIN_RUNTIME_DLL_DIRS "\" \"" VARTOLIN_MINGW_DLL_DIRS)
        set(VARTOLIN_MINGW_DLL_DIRS "\"${VARTOLIN_MINGW_DLL_DIRS}\"")
        set(VARTOLIN_QT_PLUGINS ${QT6_INSTALL_PREFIX}/${QT6_INSTALL_PLUGINS})
        set(VARTOLIN_SYMBOLS_DIR ${CMAKE_BINARY_DIR}/symbols)
        set(VARTOLIN_SIGN_SCRIPT ${PROJECT_SOURCE_DIR}/scripts/sign-windows.sh)
        configure_file(${VARTOLIN_PACKAGING_DIR}/DeployWindows.cmake.in
                       ${VARTOLIN_PACKAGING_OUT}/DeployWindows.cmake @ONLY)
        install(SCRIPT ${VARTOLIN_PACKAGING_OUT}/DeployWindows.cmake)
    else()
        # windeployqt at install time puts the Qt DLLs, plugins and a qt.conf next to the .exe.
        # A static Qt needs none of that, so that case is skipped rather than an error.
        qt_generate_deploy_app_script(
            TARGET vartolin
            FILENAME_VARIABLE vartolin_deploy_script
            NO_UNSUPPORTED_PLATFORM_ERROR)
        install(SCRIPT ${vartolin_deploy_script})
    endif()
endif()

# --- CPack ------------------------------------------------------------------------------------------

set(CPACK_PACKAGE_NAME vartolin)
set(CPACK_PACKAGE_VENDOR "the Vartolin authors")
set(CPACK_PACKAGE_CONTACT "the Vartolin authors <authors@vartolin.example>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_HOMEPAGE_URL https://www.vartolin.example)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "comparison game for young children (<, =, >)")
# Lines of at most 80 characters, for the package tools' displays.
set(CPACK_PACKAGE_DESCRIPTION
"Vartolin teaches young children the signs <, = and >. The child sees one
animal in two sizes, two groups of animals, two digits, two French number
words or two numbers up to 999, and clicks the sign that goes between them.
Eight levels; French interface, played with the mouse.")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Vartolin)
set(CPACK_PACKAGE_EXECUTABLES vartolin Vartolin)
set(CPACK_STRIP_FILES ON)
set(CPACK_SOURCE_GENERATOR TGZ)
set(CPACK_PRE_BUILD_SCRIPTS ${VARTOLIN_PACKAGING_DIR}/StagedFileTimes.cmake)
set(CPACK_SOURCE_IGNORE_FILES "/\\\\.git/" "/build[^/]*/")

if(WIN32)
    set(CPACK_GENERATOR ZIP)
    find_program(VARTOLIN_MAKENSIS makensis)
    if(VARTOLIN_MAKENSIS)
        list(APPEND CPACK_GENERATOR NSIS)
    endif()
    set(CPACK_NSIS_PACKAGE_NAME Vartolin)
    set(CPACK_NSIS_DISPLAY_NAME Vartolin)
    if(VARTOLIN_BUILD_ICO)
        set(CPACK_NSIS_MUI_ICON ${VARTOLIN_ICO})
        set(CPACK_NSIS_MUI_UNIICON ${VARTOLIN_ICO})
    endif()
    set(CPACK_NSIS_INSTALLED_ICON_NAME "vartolin.exe")
    set(CPACK_NSIS_EXECUTABLES_DIRECTORY ${VARTOLIN_WINDOWS_BIN_DIR})
    # A 64-bit program: a 64-bit, Unicode installer that installs under the 64-bit program folder.
    # No file times in the installer: the same files give the same installer whenever it is made.
    # The uninstaller is made inside makensis: it is signed there, when a certificate is given
    # (scripts/sign-windows.sh; !uninstfinalize, NSIS 3.08 and later).
    set(CPACK_NSIS_DEFINES "Target amd64-unicode\n  SetDateSave off")
    if(CMAKE_CROSSCOMPILING)
        configure_file(${VARTOLIN_PACKAGING_DIR}/nsis-sign-uninstaller.nsh.in
                       ${VARTOLIN_PACKAGING_OUT}/nsis-sign-uninstaller.nsh @ONLY)
        string(APPEND CPACK_NSIS_DEFINES "\n  !include '${VARTOLIN_PACKAGING_OUT}/nsis-sign-uninstaller.nsh'")
    endif()
    set(CPACK_NSIS_INSTALL_ROOT "$PROGRAMFILES64")
    set(CPACK_RESOURCE_FILE_LICENSE ${VARTOLIN_PACKAGING_OUT}/LICENCE.txt)
    set(CPACK_NSIS_MANIFEST_DPI_AWARE ON)
    set(CPACK_PACKAGE_FILE_NAME Vartolin-${PROJECT_VERSION}-win64)
    set(CPACK_NSIS_URL_INFO_ABOUT ${CPACK_PACKAGE_HOMEPAGE_URL})
    set(CPACK_NSIS_CONTACT "authors@vartolin.example")
    set(CPACK_NSIS_ENABLE_UNINSTALL_BEFORE_INSTALL ON)
    # The Add/Remove Programs entry as administrators script it: a quiet uninstall command, the
    # size, and no modify or repair as numbers (CPack writes those two as text). In a file of its
    # own, out of reach of CPack's two rounds of unescaping.
    set(CPACK_PACKAGE_INSTALL_REGISTRY_KEY Vartolin)
    set(CPACK_NSIS_EXTRA_INSTALL_COMMANDS "!include '${VARTOLIN_PACKAGING_DIR}/nsis-uninstall-entry.nsh'")
    set(CPACK_CREATE_DESKTOP_LINKS vartolin)
else()
    set(CPACK_GENERATOR DEB)
endif()

set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
# Debian keeps the games section for programs in /usr/games; this one is in /usr/bin.
set(CPACK_DEBIAN_PACKAGE_SECTION education)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER ${CPACK_PACKAGE_CONTACT})
# Libraries come from dpkg-shlibdeps (package dpkg-dev); the fonts are picked by family name at run
# time, so no tool can see that they are needed.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fonts-dejavu-core, fonts-liberation2")
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)

include(CPack)
