# Writes a text file of the release in the form that Windows tools read correctly, at build time:
#   cmake -DKIND=batch -DINPUT=collect.cmd.in -DOUTPUT=collect.cmd -DVERSION=1.0.0 -DICONV=iconv -P ...
#     @PROJECT_VERSION@ filled in, CR LF, code page 932: cmd on a Japanese Windows reads a batch
#     file in the console's code page, whatever the file holds.
#   cmake -DKIND=guide -DINPUT=operator-guide.md -DOUTPUT=operator-guide.txt -P ...
#     UTF-8 with a byte-order mark and CR LF: Notepad of Windows Server 2016 takes UTF-8 without
#     the mark for the ANSI code page and shows the Japanese text garbled.
cmake_minimum_required(VERSION 3.25)

if(KIND STREQUAL "batch")
    if(NOT VERSION OR NOT ICONV)
        message(FATAL_ERROR "VERSION and ICONV are required")
    endif()
    set(PROJECT_VERSION ${VERSION})
    set(utf8 ${OUTPUT}.utf8)
    configure_file(${INPUT} ${utf8} @ONLY NEWLINE_STYLE CRLF)
    execute_process(COMMAND ${ICONV} -f UTF-8 -t CP932 ${utf8}
                    OUTPUT_FILE ${OUTPUT}.part RESULT_VARIABLE failed)
    file(REMOVE ${utf8})
    if(failed)
        file(REMOVE ${OUTPUT}.part)
        message(FATAL_ERROR "${INPUT} holds text that code page 932 cannot show")
    endif()
    file(RENAME ${OUTPUT}.part ${OUTPUT})
elseif(KIND STREQUAL "guide")
    file(READ ${INPUT} text)
    string(REPLACE "\r\n" "\n" text "${text}")
    string(REPLACE "\n" "\r\n" text "${text}")
    string(ASCII 239 187 191 bom)
    file(WRITE ${OUTPUT} "${bom}${text}")
else()
    message(FATAL_ERROR "KIND must be batch or guide")
endif()
