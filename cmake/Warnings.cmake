# Project-wide compiler settings: warnings, optional -Werror and sanitizers.
add_compile_options(-Wall -Wextra -Wold-style-cast -Wnon-virtual-dtor)
if(OB32PYII_WERROR)
    add_compile_options(-Werror)
endif()
if(OB32PYII_SANITIZE)
    # vptr is left out: Qt calls into widgets from QObject's destructor, after the
    # derived part is gone, which the check reports although no member is touched.
    add_compile_options(-fsanitize=address,undefined -fno-sanitize=vptr -fno-omit-frame-pointer -fno-sanitize-recover=undefined)
    add_link_options(-fsanitize=address,undefined -fno-sanitize=vptr)
endif()

# ob_platform_sources(var files...): the files for the platform built for.
# Foo_win32.cpp is the Windows side of Foo.cpp or Foo_posix.cpp: on Windows it
# takes their place, elsewhere it is left out, as *_posix.cpp is on Windows.
function(ob_platform_sources var)
    set(kept)
    foreach(file ${ARGN})
        get_filename_component(dir ${file} DIRECTORY)
        get_filename_component(stem ${file} NAME_WE)
        if(WIN32)
                    if(stem MATCHES "_posix$" OR EXISTS ${dir}/${stem}_win32.cpp)
                continue()
            endif()
        elseif(stem MATCHES "_win32$")
            continue()
        endif()
        list(APPEND kept ${file})
    endforeach()
    set(${var} ${kept} PARENT_SCOPE)
endfunction()

# ob_library(name [DEPS ...]): one static library per source folder, made of
# every .cpp file in that folder for the platform built for.
function(ob_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    ob_platform_sources(sources ${sources})
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    if(ARG_DEPS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()
