# Example programs; each uses only the public headers (src/interface) and librskavi.
add_executable(kavi_demo ${CMAKE_CURRENT_LIST_DIR}/kavi_demo.cpp)
target_include_directories(kavi_demo PRIVATE ${PROJECT_SOURCE_DIR}/src/interface)
# Link the shared object by its file, not the target, so none of the library's
# internal include directories reach the example.
add_dependencies(kavi_demo rskavi)
target_link_libraries(kavi_demo PRIVATE $<TARGET_FILE:rskavi> Threads::Threads)
