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

# ob_library(name [DEPS ...]): one static library per source folder, made of
# every .cpp file in that folder.
function(ob_library name)
    cmake_parse_arguments(ARG "" "" "DEPS" ${ARGN})
    file(GLOB sources CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/*.cpp)
    add_library(${name} STATIC ${sources})
    target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
    if(ARG_DEPS)
        target_link_libraries(${name} PUBLIC ${ARG_DEPS})
    endif()
endfunction()
