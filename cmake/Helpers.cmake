# One GoogleTest executable per test file, so one subsystem's broken test
# never keeps the others from building.
include(GoogleTest)
if(VALBRIX_TESTS)
  find_package(GTest REQUIRED)
endif()

function(valbrix_gtest_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBS;LABELS" ${ARGN})
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
    set(labels ${ARG_LABELS})
    if(name MATCHES "Large$")
      list(APPEND labels slow)
    endif()
    if(labels)
      set(labels LABELS "${labels}")
    endif()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 PROPERTIES TIMEOUT 900 ${labels})
  endforeach()
endfunction()

# Qt Test executables, one per tst_*.cpp in the folder, run offscreen in
# German, each with its own settings folder (never the user's).
function(valbrix_qtest_folder folder)
  cmake_parse_arguments(ARG "" "" "LIBS;INCLUDES" ${ARGN})
  find_package(Qt6 REQUIRED COMPONENTS Test)
  # Without XDG_RUNTIME_DIR the offscreen platform makes runtime-<user> in
  # $TMPDIR and leaves it there; Qt wants the folder private.
  set(runtime_dir ${CMAKE_BINARY_DIR}/qtest-runtime)
  file(MAKE_DIRECTORY ${runtime_dir})
  file(CHMOD ${runtime_dir} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
  file(GLOB sources CONFIGURE_DEPENDS ${folder}/tst_*.cpp)
  foreach(source ${sources})
    get_filename_component(name ${source} NAME_WE)
    add_executable(${name} ${source})
    set_target_properties(${name} PROPERTIES AUTOMOC ON)
    target_include_directories(${name} PRIVATE ${CMAKE_SOURCE_DIR} ${folder} ${ARG_INCLUDES})
    target_link_libraries(${name} PRIVATE ${ARG_LIBS} Qt6::Test)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES TIMEOUT 300
      ENVIRONMENT "QT_QPA_PLATFORM=offscreen;XDG_RUNTIME_DIR=${runtime_dir};LANG=de_DE.UTF-8;LC_ALL=de_DE.UTF-8;XDG_CONFIG_HOME=${CMAKE_CURRENT_BINARY_DIR}/config/${name}")
  endforeach()
endfunction()
