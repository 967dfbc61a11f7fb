# qeb::json: nlohmann-json, header-only (Debian's nlohmann-json3-dev; vcpkg's nlohmann-json
# for MSVC). The cross compiler sees it through an include directory of the build tree that
# holds only a `nlohmann` link, never /usr/include itself.
add_library(qeb_json INTERFACE)
add_library(qeb::json ALIAS qeb_json)

set(QEB_NLOHMANN_JSON_DIR /usr/include CACHE PATH "The directory that holds nlohmann/json.hpp")

if(MSVC)
    find_package(nlohmann_json 3.9 CONFIG REQUIRED)
    target_link_libraries(qeb_json INTERFACE nlohmann_json::nlohmann_json)
elseif(CMAKE_CROSSCOMPILING)
    if(NOT EXISTS ${QEB_NLOHMANN_JSON_DIR}/nlohmann/json.hpp)
        message(FATAL_ERROR "Missing ${QEB_NLOHMANN_JSON_DIR}/nlohmann/json.hpp: run scripts/install-deps.sh")
    endif()
    set(QEB_JSON_INCLUDE ${CMAKE_BINARY_DIR}/json-include)
    file(MAKE_DIRECTORY ${QEB_JSON_INCLUDE})
    file(CREATE_LINK ${QEB_NLOHMANN_JSON_DIR}/nlohmann ${QEB_JSON_INCLUDE}/nlohmann SYMBOLIC)
    target_include_directories(qeb_json SYSTEM INTERFACE ${QEB_JSON_INCLUDE})
else()
    find_package(nlohmann_json 3.9 REQUIRED)
    target_link_libraries(qeb_json INTERFACE nlohmann_json::nlohmann_json)
endif()
