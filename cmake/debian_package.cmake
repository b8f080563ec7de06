# The Linux programs as a Debian package (`cpack -G DEB` in a build folder), with what Debian's
# policy asks of every package: an extended description, a maintainer to write to, a changelog,
# a copyright file and a manual page for each program. Library dependencies are read off the
# programs themselves.

set(QUELB_PACKAGING ${CMAKE_SOURCE_DIR}/packaging)
set(QUELB_PACKAGE_DOCS share/doc/quelb-setup)

# Debian wants manual pages and changelogs compressed, without a time in the gzip header, so
# that the same sources give the same package.
function(quelb_gzipped_file source output)
  add_custom_command(
    OUTPUT ${output}
    COMMAND gzip -9nc ${source} > ${output}
    DEPENDS ${source}
    VERBATIM)
endfunction()

set(QUELB_MANUAL_PAGES setup)
if(TARGET quelb-deploy)
  list(APPEND QUELB_MANUAL_PAGES quelb-deploy)
endif()

set(QUELB_GZIPPED ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
quelb_gzipped_file(${QUELB_PACKAGING}/changelog ${CMAKE_BINARY_DIR}/packaging/changelog.gz)
foreach(page IN LISTS QUELB_MANUAL_PAGES)
  set(gzipped ${CMAKE_BINARY_DIR}/packaging/${page}.1.gz)
  quelb_gzipped_file(${QUELB_PACKAGING}/man/${page}.1 ${gzipped})
  install(FILES ${gzipped} DESTINATION share/man/man1)
  list(APPEND QUELB_GZIPPED ${gzipped})
endforeach()
file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/packaging)
add_custom_target(package_documents ALL DEPENDS ${QUELB_GZIPPED})

install(TARGETS setup RUNTIME DESTINATION bin)
if(TARGET quelb-deploy)
  install(TARGETS quelb-deploy RUNTIME DESTINATION bin)
endif()
install(FILES ${QUELB_PACKAGING}/copyright ${CMAKE_BINARY_DIR}/packaging/changelog.gz
        DESTINATION ${QUELB_PACKAGE_DOCS})

file(READ ${QUELB_PACKAGING}/description.txt QUELB_DESCRIPTION)
set(CPACK_PACKAGE_NAME quelb-setup)
set(CPACK_PACKAGE_VENDOR QUELB)
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Installer and updater of the QUELB accounting suite")
set(CPACK_PACKAGE_DESCRIPTION ${QUELB_DESCRIPTION})
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "QUELB <packages@quelb.example>")
set(CPACK_DEBIAN_PACKAGE_SECTION misc)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "fonts-liberation2")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_STRIP_FILES ON)
include(CPack)
