# yaml-cpp (Debian: libyaml-cpp-dev) reads register maps written in YAML. It is built in when
# found; the cross builds (MinGW has none) and builds without it read maps as CSV only.
if(NOT CMAKE_CROSSCOMPILING)
    find_package(yaml-cpp QUIET)
endif()
set(zep_yaml_default OFF)
if(yaml-cpp_FOUND)
    set(zep_yaml_default ON)
endif()
option(ZEP_WITH_YAML "Read register maps written in YAML (yaml-cpp)" ${zep_yaml_default})
if(ZEP_WITH_YAML AND NOT yaml-cpp_FOUND)
    message(FATAL_ERROR "ZEP_WITH_YAML is ON but yaml-cpp was not found: install libyaml-cpp-dev")
endif()
