# Installed beside the program: its manual page (man parentsphere), the
# spreadsheet converter on the PATH, and the guide to preparing input with
# the example sheet it walks through.
include(GNUInstallDirs)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/parentsphere.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(PROGRAMS ${CMAKE_CURRENT_LIST_DIR}/../scripts/csv2parentsphere.py
        DESTINATION ${CMAKE_INSTALL_BINDIR} RENAME csv2parentsphere)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/preparing-input.md ${CMAKE_CURRENT_LIST_DIR}/example-sheet.csv
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
