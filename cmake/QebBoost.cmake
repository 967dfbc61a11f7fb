# qeb::boost_regex: Boost 1.74 headers and the compiled Regex library, all that the portable
# core needs. qeb::boost: that plus the compiled Filesystem library (Windows build).
add_library(qeb_boost_regex INTERFACE)
add_library(qeb::boost_regex ALIAS qeb_boost_regex)
target_compile_definitions(qeb_boost_regex INTERFACE BOOST_ALL_NO_LIB)

add_library(qeb_boost INTERFACE)
add_library(qeb::boost ALIAS qeb_boost)
target_link_libraries(qeb_boost INTERFACE qeb_boost_regex)

if(QEB_BOOST_MINGW_DIR)
    # The include directory holds only a link to Boost's headers, so the host's
    # /usr/include never reaches the cross compiler.
    foreach(lib filesystem regex)
        set(QEB_BOOST_${lib}_LIBRARY ${QEB_BOOST_MINGW_DIR}/lib/libboost_${lib}.a)
        if(NOT EXISTS ${QEB_BOOST_${lib}_LIBRARY})
            message(FATAL_ERROR "Missing ${QEB_BOOST_${lib}_LIBRARY}: run scripts/build-boost-mingw.sh")
        endif()
    endforeach()
    target_link_libraries(qeb_boost_regex INTERFACE ${QEB_BOOST_regex_LIBRARY})
    target_link_libraries(qeb_boost INTERFACE ${QEB_BOOST_filesystem_LIBRARY})
    target_include_directories(qeb_boost_regex SYSTEM INTERFACE ${QEB_BOOST_MINGW_DIR}/include)
elseif(WIN32)
    find_package(Boost 1.74 REQUIRED COMPONENTS filesystem regex)
    target_link_libraries(qeb_boost_regex INTERFACE Boost::headers Boost::regex)
    target_link_libraries(qeb_boost INTERFACE Boost::filesystem)
else()
    find_package(Boost 1.74 REQUIRED COMPONENTS regex)
    target_link_libraries(qeb_boost_regex INTERFACE Boost::headers Boost::regex)
endif()
