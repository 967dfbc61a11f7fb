# qeb::libzip: libzip with Deflate over zlib and WinZip AES on Windows CNG, linked statically.
# The mingw build comes from scripts/build-libzip-mingw.sh; zlib is linked as libz.a by file,
# because FindZLIB picks the import library libz.dll.a and the exe would then need zlib1.dll.
set(QEB_LIBZIP_MINGW_DIR "" CACHE PATH "libzip for mingw-w64 built by scripts/build-libzip-mingw.sh")

add_library(qeb_libzip INTERFACE)
add_library(qeb::libzip ALIAS qeb_libzip)
target_compile_definitions(qeb_libzip INTERFACE ZIP_STATIC)

if(QEB_LIBZIP_MINGW_DIR)
    set(QEB_LIBZIP_LIBRARY ${QEB_LIBZIP_MINGW_DIR}/lib/libzip.a)
    if(NOT EXISTS ${QEB_LIBZIP_LIBRARY})
        message(FATAL_ERROR "Missing ${QEB_LIBZIP_LIBRARY}: run scripts/build-libzip-mingw.sh")
    endif()
    find_library(QEB_ZLIB_STATIC NAMES libz.a REQUIRED)
    target_include_directories(qeb_libzip SYSTEM INTERFACE ${QEB_LIBZIP_MINGW_DIR}/include)
    target_link_libraries(qeb_libzip INTERFACE ${QEB_LIBZIP_LIBRARY} ${QEB_ZLIB_STATIC} bcrypt
                                               advapi32)
else()
    find_package(libzip CONFIG REQUIRED)
    target_link_libraries(qeb_libzip INTERFACE libzip::zip)
endif()
