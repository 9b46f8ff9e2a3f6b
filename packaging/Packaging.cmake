# How the tool and the secure-deletion library are installed on Linux, and
# the Debian packages CPack makes of them:
#   pelorin         the tool, its manual page, its bash, zsh and fish
#                   completions and its place in the desktops' file managers
#   libpelosdk1     libpelosdk.so.1, the shared library
#   libpelosdk-dev  PeloSDK.h, the link libpelosdk.so and pelosdk.pc
# Configure with -DCMAKE_INSTALL_PREFIX=/usr (the deb preset), so that the
# paths in pelosdk.pc are those the packages install to.
if(WIN32)
  return()
endif()

include(GNUInstallDirs)

install(TARGETS pelorin RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT pelorin)
install(TARGETS PeloSDK LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT libpelosdk1
                                NAMELINK_COMPONENT libpelosdk-dev)
install(FILES ${PROJECT_SOURCE_DIR}/wipe/sdk/PeloSDK.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}
        COMPONENT libpelosdk-dev)
configure_file(${PROJECT_SOURCE_DIR}/packaging/pelosdk.pc.in ${PROJECT_BINARY_DIR}/pelosdk.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/pelosdk.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
        COMPONENT libpelosdk-dev)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/pelorin-completion.bash
        DESTINATION ${CMAKE_INSTALL_DATADIR}/bash-completion/completions RENAME pelorin COMPONENT pelorin)
# The zsh and fish completions, made at build time (see the top CMakeLists),
# where each shell looks for the completions of installed packages.
install(FILES ${PELORIN_COMPLETIONS}/_pelorin DESTINATION ${CMAKE_INSTALL_DATADIR}/zsh/vendor-completions
        COMPONENT pelorin)
install(FILES ${PELORIN_COMPLETIONS}/pelorin.fish DESTINATION ${CMAKE_INSTALL_DATADIR}/fish/vendor_completions.d
        COMPONENT pelorin)

# The desktops: the archive type (shared-mime-info), Pelorin Decrypt as the
# program that opens it, and "Encrypt with Pelorin", "Decrypt with Pelorin"
# and "Secure delete" in the menus of Nemo and Dolphin, and as scripts for
# Nautilus to link into a user's scripts folder. Each runs the tool in a
# terminal that stays open until Enter is pressed (run-in-terminal).
set(PELORIN_TOOL ${CMAKE_INSTALL_FULL_BINDIR}/pelorin)
set(PELORIN_RUN_IN_TERMINAL ${CMAKE_INSTALL_FULL_LIBEXECDIR}/pelorin/run-in-terminal)
set(desktop ${PROJECT_SOURCE_DIR}/packaging/desktop)
set(made ${PROJECT_BINARY_DIR}/desktop)
foreach(file run-in-terminal pelorin-decrypt.desktop pelorin-encrypt.nemo_action pelorin-decrypt.nemo_action
             pelorin-delete.nemo_action pelorin-servicemenu.desktop pelorin-archive-servicemenu.desktop
             "nautilus-scripts/Encrypt with Pelorin" "nautilus-scripts/Decrypt with Pelorin"
             "nautilus-scripts/Secure delete")
  configure_file("${desktop}/${file}.in" "${made}/${file}" @ONLY)
endforeach()
install(PROGRAMS ${made}/run-in-terminal DESTINATION ${CMAKE_INSTALL_LIBEXECDIR}/pelorin COMPONENT pelorin)
install(FILES ${desktop}/pelorin-mime.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/mime/packages RENAME pelorin.xml
        COMPONENT pelorin)
install(FILES ${made}/pelorin-decrypt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications COMPONENT pelorin)
install(FILES ${made}/pelorin-encrypt.nemo_action ${made}/pelorin-decrypt.nemo_action
              ${made}/pelorin-delete.nemo_action
        DESTINATION ${CMAKE_INSTALL_DATADIR}/nemo/actions COMPONENT pelorin)
install(FILES ${made}/pelorin-servicemenu.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
        RENAME pelorin.desktop COMPONENT pelorin)
install(FILES ${made}/pelorin-archive-servicemenu.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/kio/servicemenus
        RENAME pelorin-archive.desktop COMPONENT pelorin)
install(PROGRAMS "${made}/nautilus-scripts/Encrypt with Pelorin" "${made}/nautilus-scripts/Decrypt with Pelorin"
                 "${made}/nautilus-scripts/Secure delete"
        DESTINATION ${CMAKE_INSTALL_DATADIR}/pelorin/nautilus-scripts COMPONENT pelorin)

# The manual page, made from the built tool's --help and --version with the
# hand-written sections of pelorin.h2m, compressed as Debian keeps them.
find_program(PELORIN_HELP2MAN help2man)
find_program(PELORIN_GZIP gzip)
if(PELORIN_HELP2MAN AND PELORIN_GZIP)
  set(page ${PROJECT_BINARY_DIR}/pelorin.1)
  add_custom_command(OUTPUT ${page}.gz
    COMMAND ${PELORIN_HELP2MAN} --no-info --include=${PROJECT_SOURCE_DIR}/packaging/pelorin.h2m
            --output=${page} $<TARGET_FILE:pelorin>
    COMMAND ${PELORIN_GZIP} -9nf ${page}
    DEPENDS pelorin ${PROJECT_SOURCE_DIR}/packaging/pelorin.h2m
    COMMENT "Writing the manual page pelorin(1)"
    VERBATIM)
  add_custom_target(pelorin_man_page ALL DEPENDS ${page}.gz)
  install(FILES ${page}.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT pelorin)
else()
  message(WARNING "help2man or gzip is missing: no manual page (scripts/install-deps.sh installs them)")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME pelorin)
set(CPACK_PACKAGE_VENDOR "Tarn6 Software")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)
set(CPACK_DEB_COMPONENT_INSTALL ON)
# The packages carry the programs without their symbol tables.
set(CPACK_STRIP_FILES ON)
set(CPACK_COMPONENTS_ALL pelorin libpelosdk1 libpelosdk-dev)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Tarn6 Software")
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
# Dependencies on the system's libraries come from dpkg-shlibdeps. It looks
# for libpelosdk.so.1, which no installed package holds yet, in the build
# tree; the packages built from this tree depend on libpelosdk1 of their own
# version through their components.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
# (CPack reads no generator expressions: the library is built at the top of
# the build tree.)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS_PRIVATE_DIRS ${PROJECT_BINARY_DIR})
set(CPACK_DEBIAN_ENABLE_COMPONENT_DEPENDS ON)
# libpelosdk1 says which package provides libpelosdk.so.1, for programs
# that others build against it.
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")

set(CPACK_DEBIAN_PELORIN_PACKAGE_NAME pelorin)
set(CPACK_DEBIAN_PELORIN_PACKAGE_SECTION utils)
set(CPACK_DEBIAN_PELORIN_DESCRIPTION
    "file encryption and secure deletion from the command line
The pelorin tool writes files and folders into encrypted .pvb archives with
one of eight ciphers, restores and lists them, and overwrites files, the
free space of volumes, file slack and whole volumes before what they held
is deleted. It runs the same jobs as the Pelorin programs for Windows, with
their questions answered by options, and reads the same archives.")
set(CPACK_DEBIAN_LIBPELOSDK1_PACKAGE_NAME libpelosdk1)
set(CPACK_DEBIAN_LIBPELOSDK1_PACKAGE_SECTION libs)
set(CPACK_DEBIAN_LIBPELOSDK1_DESCRIPTION
    "Pelorin's secure-deletion library
PeloSDK overwrites a file several times before it deletes it, fills and
overwrites the free space of a volume, and overwrites the slack behind the
end of a file, with progress and stop callbacks. This package holds the
shared library.")
set(CPACK_DEBIAN_LIBPELOSDK-DEV_PACKAGE_NAME libpelosdk-dev)
set(CPACK_DEBIAN_LIBPELOSDK-DEV_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_LIBPELOSDK-DEV_DESCRIPTION
    "Pelorin's secure-deletion library: development files
PeloSDK overwrites a file several times before it deletes it, fills and
overwrites the free space of a volume, and overwrites the slack behind the
end of a file. This package holds the C header PeloSDK.h, the link for
-lpelosdk and pelosdk.pc for pkg-config.")

include(CPack)
cpack_add_component(libpelosdk1 DISPLAY_NAME "PeloSDK library")
cpack_add_component(libpelosdk-dev DISPLAY_NAME "PeloSDK development files" DEPENDS libpelosdk1)
cpack_add_component(pelorin DISPLAY_NAME "pelorin tool" DEPENDS libpelosdk1)
