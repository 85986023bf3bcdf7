# Test executables: GoogleTest programs registered with ctest.
include(GoogleTest)

# ob_add_gtest(name LIBS ...): one test executable of every .cpp file in the
# calling folder, each case registered with ctest on its own. Cases are listed
# when ctest runs, so the PostgreSQL and MariaDB cases appear when
# OB32PYII_TEST_PG and OB32PYII_TEST_MARIADB are set.
function(ob_add_gtest name)
    cmake_parse_arguments(ARG "" "" "LIBS;SOURCES" ${ARGN})
    if(NOT ARG_SOURCES)
        file(GLOB ARG_SOURCES CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    endif()
    ob_platform_sources(ARG_SOURCES ${ARG_SOURCES})
    add_executable(${name} ${ARG_SOURCES})
    target_link_libraries(${name} PRIVATE ob_test_support ${ARG_LIBS} GTest::gtest GTest::gtest_main)
    ob_register_gtest(${name})
endfunction()

# ob_register_gtest(target [SERIAL]): on Linux each case is its own ctest test;
# a Windows executable runs once, whole, under Wine, whose start-up is slow.
function(ob_register_gtest name)
    set(environment "OB32PYII_BUILD_DIR=${PROJECT_BINARY_DIR};QT_QPA_PLATFORM=offscreen")
    if(WIN32)
        add_test(NAME ${name} COMMAND ${name})
        set_tests_properties(${name} PROPERTIES ENVIRONMENT "${environment}" TIMEOUT 900)
        if(ARGV1 STREQUAL "SERIAL")
            set_tests_properties(${name} PROPERTIES RUN_SERIAL TRUE)
        endif()
    elseif(ARGV1 STREQUAL "SERIAL")
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
            PROPERTIES RUN_SERIAL TRUE ENVIRONMENT "${environment}")
    else()
        gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 DISCOVERY_MODE PRE_TEST
            PROPERTIES ENVIRONMENT "${environment}")
    endif()
endfunction()
