# Release ZIP: the exe, the sample settings, collect.cmd and the operator guide, with a SHA-256
# file beside it. collect.cmd and the guide are generated in the forms that cmd and Notepad of a
# Japanese Windows server read correctly (cmake/QebWindowsText.cmake); collect.cmd lands beside
# QebInfo.exe in the build tree, where the tests and the demo run it.
find_program(QEB_ICONV iconv HINTS "C:/Program Files/Git/usr/bin" REQUIRED)
set(QEB_COLLECT_SCRIPT ${CMAKE_RUNTIME_OUTPUT_DIRECTORY}/collect.cmd)
set(QEB_OPERATOR_GUIDE ${CMAKE_BINARY_DIR}/package/operator-guide.txt)
set(QEB_WINDOWS_TEXT ${CMAKE_CURRENT_LIST_DIR}/QebWindowsText.cmake)
add_custom_command(
    OUTPUT ${QEB_COLLECT_SCRIPT}
    COMMAND ${CMAKE_COMMAND} -DKIND=batch -DINPUT=${PROJECT_SOURCE_DIR}/package/collect.cmd.in
            -DOUTPUT=${QEB_COLLECT_SCRIPT} -DVERSION=${PROJECT_VERSION} -DICONV=${QEB_ICONV}
            -P ${QEB_WINDOWS_TEXT}
    DEPENDS ${PROJECT_SOURCE_DIR}/package/collect.cmd.in ${QEB_WINDOWS_TEXT}
    COMMENT "Generating collect.cmd (code page 932, CR LF)"
    VERBATIM)
add_custom_command(
    OUTPUT ${QEB_OPERATOR_GUIDE}
    COMMAND ${CMAKE_COMMAND} -DKIND=guide -DINPUT=${PROJECT_SOURCE_DIR}/docs/operator-guide.md
            -DOUTPUT=${QEB_OPERATOR_GUIDE} -P ${QEB_WINDOWS_TEXT}
    DEPENDS ${PROJECT_SOURCE_DIR}/docs/operator-guide.md ${QEB_WINDOWS_TEXT}
    COMMENT "Generating operator-guide.txt (UTF-8 with byte-order mark, CR LF)"
    VERBATIM)
add_custom_target(qeb_operator_files ALL DEPENDS ${QEB_COLLECT_SCRIPT} ${QEB_OPERATOR_GUIDE})

install(TARGETS QebInfo RUNTIME DESTINATION .)
install(FILES samples/QebVer.ini ${QEB_COLLECT_SCRIPT} ${QEB_OPERATOR_GUIDE} DESTINATION .)
set(CPACK_GENERATOR ZIP)
set(CPACK_PACKAGE_NAME QebInfo)
set(CPACK_PACKAGE_VENDOR Velmora)
set(CPACK_PACKAGE_FILE_NAME "QebInfo-${PROJECT_VERSION}-win64")
set(CPACK_PACKAGE_CHECKSUM SHA256)
set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
include(CPack)
