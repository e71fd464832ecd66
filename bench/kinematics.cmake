# kinematics_bench: our forward and inverse kinematics against orocos KDL's
# recursive FK and LMA IK solvers on model 0. Built only when KDL (with the
# Eigen3 headers it needs) is found too.
find_package(orocos_kdl QUIET)
find_package(Eigen3 QUIET NO_MODULE)
if(NOT orocos_kdl_FOUND OR NOT TARGET Eigen3::Eigen)
  message(STATUS "orocos KDL or Eigen3 not found: kinematics_bench is not built")
  return()
endif()
add_executable(kinematics_bench ${CMAKE_CURRENT_LIST_DIR}/kinematics_bench.cpp)
target_include_directories(kinematics_bench PRIVATE ${orocos_kdl_INCLUDE_DIRS})
target_link_libraries(kinematics_bench PRIVATE
  rskavi ${orocos_kdl_LIBRARIES} Eigen3::Eigen benchmark::benchmark)
set_target_properties(kinematics_bench PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
