# Finds the third-party libraries; all of them come from Debian packages.
find_package(Threads REQUIRED)
find_package(Protobuf REQUIRED)
find_package(PkgConfig REQUIRED)
pkg_check_modules(LOG4CPLUS REQUIRED IMPORTED_TARGET log4cplus)
pkg_check_modules(LIBCONFIG REQUIRED IMPORTED_TARGET libconfig)
find_package(RapidJSON REQUIRED)
if(NOT TARGET rapidjson)
  add_library(rapidjson INTERFACE IMPORTED)
  set_target_properties(rapidjson PROPERTIES
    INTERFACE_INCLUDE_DIRECTORIES "${RapidJSON_INCLUDE_DIRS}${RAPIDJSON_INCLUDE_DIRS}")
endif()
