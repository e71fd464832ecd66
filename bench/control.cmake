# control_bench: request round trips of the control service against the
# embedded simulator on loopback, next to a raw-socket echo of the same frames
# in the same process, with both sides on one CPU and on two.
if(NOT TARGET kavisim)
  message(STATUS "kavisim not available: control_bench is not built")
  return()
endif()
add_executable(control_bench ${CMAKE_CURRENT_LIST_DIR}/control_bench.cpp)
target_link_libraries(control_bench PRIVATE rskavi kavisim benchmark::benchmark Threads::Threads)
set_target_properties(control_bench PROPERTIES
  RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/bin)
