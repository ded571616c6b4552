# Run by CPack once it has installed nurvo into its staging directory, before it packs it: adds
# what only a package holds, made from the installed files and the sources.
#   DEB: the manual page gzipped and a Debian changelog, as Debian keeps them.
#   ZIP: README.txt for Windows, the README and the manual page as plain text, and LICENSE.txt,
#        both with CR LF line ends.
set(source "${CPACK_NURVO_SOURCE_DIR}")

if(CPACK_GENERATOR STREQUAL "DEB")
  set(root "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")
  set(doc "${root}/share/doc/${CPACK_PACKAGE_NAME}")
  string(TIMESTAMP date "%a, %d %b %Y %H:%M:%S +0000" UTC)
  file(WRITE "${doc}/changelog"
       "${CPACK_PACKAGE_NAME} (${CPACK_PACKAGE_VERSION}) unstable; urgency=medium\n\n"
       "  * Release ${CPACK_PACKAGE_VERSION}.\n\n"
       " -- ${CPACK_PACKAGE_CONTACT}  ${date}\n")
  # -n: no name or time inside the archive, so the same files make the same package.
  execute_process(COMMAND gzip -9nf "${root}/share/man/man1/nurvo.1" "${doc}/changelog"
                  COMMAND_ERROR_IS_FATAL ANY)
elseif(CPACK_GENERATOR STREQUAL "ZIP")
  find_program(NURVO_GROFF groff REQUIRED)
  file(READ "${source}/README.md" readme)
  # Plain ASCII: no escape sequences, no overstriking for bold or underline.
  execute_process(COMMAND "${NURVO_GROFF}" -man -Tascii -P-cbou "${source}/docs/nurvo.1"
                  OUTPUT_VARIABLE manual COMMAND_ERROR_IS_FATAL ANY)
  string(CONCAT text "${readme}" "\n\nThe manual\n==========\n\n" "${manual}")
  string(REPLACE "\r\n" "\n" text "${text}")
  string(REPLACE "\n" "\r\n" text "${text}")
  file(WRITE "${CPACK_TEMPORARY_DIRECTORY}/README.txt" "${text}")
  file(READ "${source}/LICENSE" licence)
  string(REPLACE "\n" "\r\n" licence "${licence}")
  file(WRITE "${CPACK_TEMPORARY_DIRECTORY}/LICENSE.txt" "${licence}")
endif()
