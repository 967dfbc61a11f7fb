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
