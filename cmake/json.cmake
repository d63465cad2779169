# dv_json: nlohmann-json (Debian nlohmann-json3-dev, header-only) for every
# tree. The MinGW compilers must not see the whole of /usr/include, so its
# headers are copied into a folder of their own in the build tree.
find_path(DV_NLOHMANN_INCLUDE nlohmann/json.hpp PATHS /usr/include /usr/local/include NO_DEFAULT_PATH
          NO_CMAKE_FIND_ROOT_PATH)
if(NOT DV_NLOHMANN_INCLUDE)
  message(FATAL_ERROR "nlohmann/json.hpp not found: install nlohmann-json3-dev (scripts/install-deps.sh)")
endif()
set(DV_JSON_INCLUDE ${CMAKE_BINARY_DIR}/third_party/json/include)
file(COPY ${DV_NLOHMANN_INCLUDE}/nlohmann DESTINATION ${DV_JSON_INCLUDE})
add_library(dv_json INTERFACE)
target_include_directories(dv_json SYSTEM INTERFACE ${DV_JSON_INCLUDE})
