# qeb::boost: Boost 1.74 headers plus the compiled Filesystem and Regex libraries.
add_library(qeb_boost INTERFACE)
add_library(qeb::boost ALIAS qeb_boost)
target_compile_definitions(qeb_boost INTERFACE BOOST_ALL_NO_LIB)

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
    target_include_directories(qeb_boost SYSTEM INTERFACE ${QEB_BOOST_MINGW_DIR}/include)
else()
    find_package(Boost 1.74 REQUIRED COMPONENTS filesystem regex)
    target_link_libraries(qeb_boost INTERFACE Boost::headers Boost::filesystem Boost::regex)
endif()
