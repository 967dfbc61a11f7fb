# The native lane on Linux: the portable core and its tests under AddressSanitizer and
# UndefinedBehaviorSanitizer, and with clang the libFuzzer targets.
option(QEB_SANITIZE "Build the native lane with ASan and UBSan" ON)
option(QEB_FUZZ "Build the libFuzzer targets (clang only)" OFF)

if(QEB_SANITIZE)
    add_compile_options(-fsanitize=address,undefined -fno-sanitize-recover=all
                        -fno-omit-frame-pointer)
    add_link_options(-fsanitize=address,undefined)
endif()
if(QEB_FUZZ)
    if(NOT CMAKE_CXX_COMPILER_ID MATCHES "Clang")
        message(FATAL_ERROR "QEB_FUZZ needs clang's libFuzzer")
    endif()
    # Coverage feedback for the fuzzers; the sanitizer runtime answers it in the unit tests.
    add_compile_options(-fsanitize=fuzzer-no-link)
endif()
