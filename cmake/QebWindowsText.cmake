# Writes a text file of the release in the form that Windows tools read correctly, at build time:
#   cmake -DKIND=batch -DINPUT=collect.cmd.in -DOUTPUT=collect.cmd -DVERSION=1.0.0 -DICONV=iconv -P ...
#     @PROJECT_VERSION@ filled in, CR LF, code page 932: cmd on a Japanese Windows reads a batch
#     file in the console's code page, whatever the file holds.
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
else()
    message(FATAL_ERROR "KIND must be batch")
endif()
