# One GoogleTest executable per test file, so one subsystem's broken test
# never keeps the others from building.
include(GoogleTest)
if(VALBRIX_TESTS)
  find_package(GTest REQUIRED)
endif()

function(valbrix_gtest_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBS" ${ARGN})
  file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/${folder}/test_*.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/${folder})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    target_compile_definitions(${name} PRIVATE
      VALBRIX_CLI="$<TARGET_FILE:valbrix-cli>"
      VALBRIX_SOURCE_DIR="${CMAKE_SOURCE_DIR}")
    # Files named test_*Large hold the cases over 20 s (archives of gigabytes):
    # labelled, so `ctest -LE slow` can leave them out while iterating.
    set(labels "")
    if(name MATCHES "Large$")
      set(labels LABELS slow)
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900 ${labels})
  endforeach()
endfunction()
