# Installing like a desktop program: both executables, the files shipped beside the program (in
# share/vantrel/, where an installed program looks for them), the menu entry, icons, AppStream
# metadata and man pages; and a Debian package of all that. Included after the programs' targets
# exist, so that vantrel-join is installed as soon as it is built.
include(GNUInstallDirs)

set(VANTREL_RELEASE_DATE 2026-12-07)

set(vantrel_man_name "join several web pages into one HTML file")
set(vantrel-join_man_name "join web pages into one HTML file from the command line")

find_program(HELP2MAN help2man)
if(NOT HELP2MAN)
    message(WARNING "help2man not found, so no man pages are made (scripts/setup-debian.sh installs it)")
endif()

# The man page comes from the program's own --help and --version. The program is called by its
# bare name so that its usage line does not show the build folder.
function(vantrel_add_man_page program)
    set(page ${CMAKE_CURRENT_BINARY_DIR}/man/${program}.1)
    add_custom_command(OUTPUT ${page}.gz
        COMMAND ${CMAKE_COMMAND} -E make_directory ${CMAKE_CURRENT_BINARY_DIR}/man
        COMMAND ${CMAKE_COMMAND} -E env "PATH=$<TARGET_FILE_DIR:${program}>:$ENV{PATH}"
                ${HELP2MAN} --no-info --section=1 "--name=${${program}_man_name}"
                --output=${page} ${program}
        COMMAND gzip -9nf ${page}
        DEPENDS ${program}
        COMMENT "Writing the man page of ${program}"
        VERBATIM)
    add_custom_target(${program}_man ALL DEPENDS ${page}.gz)
    install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endfunction()

set(provided_binaries "")
foreach(program vantrel vantrel-join)
    if(NOT TARGET ${program})
        continue()
    endif()
    install(TARGETS ${program} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
    list(APPEND provided_binaries "    <binary>${program}</binary>")
    if(HELP2MAN)
        vantrel_add_man_page(${program})
    endif()
endforeach()
list(JOIN provided_binaries "\n" VANTREL_PROVIDED_BINARIES)

list(TRANSFORM VANTREL_SHIPPED_FILES PREPEND ${PROJECT_SOURCE_DIR}/resources/
     OUTPUT_VARIABLE shipped_paths)
install(FILES ${shipped_paths} DESTINATION ${CMAKE_INSTALL_DATADIR}/vantrel)

# The licences of the npm packages whose scripts the program holds (Apache-2.0, MIT).
install(FILES ${PROJECT_SOURCE_DIR}/node_modules/@mozilla/readability/LICENSE.md
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel/licenses RENAME readability.LICENSE.md)
install(FILES ${PROJECT_SOURCE_DIR}/node_modules/turndown/LICENSE
        DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/vantrel/licenses RENAME turndown.LICENSE)

install(FILES ${CMAKE_CURRENT_LIST_DIR}/${VANTREL_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
foreach(size 32 48 128 256)
    install(FILES ${PROJECT_SOURCE_DIR}/resources/images/icon-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME ${VANTREL_APP_ID}.png)
endforeach()
configure_file(${CMAKE_CURRENT_LIST_DIR}/${VANTREL_APP_ID}.metainfo.xml.in
               ${CMAKE_CURRENT_BINARY_DIR}/${VANTREL_APP_ID}.metainfo.xml @ONLY)
install(FILES ${CMAKE_CURRENT_BINARY_DIR}/${VANTREL_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# scripts/package.sh: build/vantrel_<version>_<arch>.deb, its dependencies read off the shared
# libraries the programs link, plus ping for the start-up check.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME vantrel)
set(CPACK_PACKAGE_VENDOR vantrel.example)
set(CPACK_PACKAGE_CONTACT "Vantrel maintainers <packages@vantrel.example>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "${vantrel_man_name}")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "Vantrel loads each address of an ordered list in a real browser engine, waits\n"
    "until the page has completely loaded, and appends the page body to one joined\n"
    "HTML document.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DEPENDS iputils-ping)
include(CPack)
