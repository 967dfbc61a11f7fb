# Compile settings shared by the program and its tests.
add_library(qeb_settings INTERFACE)
target_compile_definitions(qeb_settings INTERFACE
    UNICODE _UNICODE NOMINMAX _WIN32_WINNT=0x0601 WINVER=0x0601)
if(MSVC)
    target_compile_options(qeb_settings INTERFACE /W4 /utf-8 /permissive- /EHsc)
    target_compile_definitions(qeb_settings INTERFACE _CRT_SECURE_NO_WARNINGS)
else()
    target_compile_options(qeb_settings INTERFACE -Wall -Wextra)
endif()

# A Windows build for the test suite only: out-of-range container access and undefined
# arithmetic stop the program. Trap mode needs no sanitizer runtime, which mingw lacks.
option(QEB_HARDENED "Build with _GLIBCXX_ASSERTIONS and UBSan in trap mode" OFF)
if(QEB_HARDENED AND NOT MSVC)
    target_compile_definitions(qeb_settings INTERFACE _GLIBCXX_ASSERTIONS)
    target_compile_options(qeb_settings INTERFACE
        -fsanitize=undefined -fsanitize-undefined-trap-on-error)
endif()
