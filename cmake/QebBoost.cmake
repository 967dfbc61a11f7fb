# qeb::boost_headers: Boost 1.74 headers, all that the portable core needs.
# qeb::boost: the headers plus the compiled Filesystem and Regex libraries (Windows build).
add_library(qeb_boost_headers INTERFACE)
add_library(qeb::boost_headers ALIAS qeb_boost_headers)
target_compile_definitions(qeb_boost_headers INTERFACE BOOST_ALL_NO_LIB)

add_library(qeb_boost INTERFACE)
add_library(qeb::boost ALIAS qeb_boost)
target_link_libraries(qeb_boost INTERFACE qeb_boost_headers)

if(QEB_BOOST_MINGW_DIR)
    # The include directory holds only a link to Boost's headers, so the host's
    # /usr/include never reaches the cross compiler.
    foreach(lib filesystem regex)
        set(path ${QEB_BOOST_MINGW_DIR}/lib/libboost_${lib}.a)
        if(NOT EXISTS ${path})
            message(FATAL_ERROR "Missing ${path}: run scripts/build-boost-mingw.sh")
        endif()
        target_link_libraries(qeb_boost INTERFACE ${path})
    endforeach()
    target_include_directories(qeb_boost_headers SYSTEM INTERFACE ${QEB_BOOST_MINGW_DIR}/include)
elseif(WIN32)
    find_package(Boost 1.74 REQUIRED COMPONENTS filesystem regex)
    target_link_libraries(qeb_boost_headers INTERFACE Boost::headers)
    target_link_libraries(qeb_boost INTERFACE Boost::filesystem Boost::regex)
else()
    find_package(Boost 1.74 REQUIRED)
    target_link_libraries(qeb_boost_headers INTERFACE Boost::headers)
endif()
