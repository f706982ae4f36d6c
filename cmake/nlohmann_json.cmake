# nlohmann-json, header-only (Debian: nlohmann-json3-dev). Natively through its CMake package. A
# cross build cannot put the build machine's /usr/include on the MinGW compiler's search path (it
# would hide MinGW's own C headers), so there only the nlohmann/ header folder is copied into the
# build tree and used from there.
if(NOT CMAKE_CROSSCOMPILING)
    find_package(nlohmann_json 3.2 QUIET)
endif()
if(NOT TARGET nlohmann_json::nlohmann_json)
    find_path(ZEP_NLOHMANN_JSON_INCLUDE_DIR nlohmann/json.hpp NO_CMAKE_FIND_ROOT_PATH)
    if(NOT ZEP_NLOHMANN_JSON_INCLUDE_DIR)
        message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev")
    endif()
    set(zep_json_include ${CMAKE_BINARY_DIR}/third_party/include)
    file(COPY ${ZEP_NLOHMANN_JSON_INCLUDE_DIR}/nlohmann DESTINATION ${zep_json_include})
    add_library(nlohmann_json::nlohmann_json INTERFACE IMPORTED GLOBAL)
    set_target_properties(nlohmann_json::nlohmann_json PROPERTIES
        INTERFACE_INCLUDE_DIRECTORIES ${zep_json_include})
endif()
