# Version resources of the Windows executables.
#
#   ob_version_rc(OUT NAME DESCRIPTION VERSION [MANIFEST file])
#       writes OUT, a resource script stamping NAME.exe with VERSION (a.b.c or
#       a.b.c.d), the product and company names, DESCRIPTION and the copyright,
#       and giving it the program's icon (packaging/icon/ob32pyii.ico); works
#       in script mode too (make-stub.cmake).
#   ob_add_version_resource(target DESCRIPTION)
#       adds that resource, with the project version and the program's
#       manifest, to an executable of a Windows build.

set(OB_PRODUCT_NAME "OB32PYII")
set(OB_COMPANY_NAME "OB32PYII project")
set(OB_COPYRIGHT "Copyright (C) 2026 OB32PYII developers")

function(ob_version_rc out name description version)
    set(packaging "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/windows")
    cmake_parse_arguments(ARG "" "MANIFEST" "" ${ARGN})
    if(NOT version MATCHES "^([0-9]+)\\.([0-9]+)\\.([0-9]+)(\\.([0-9]+))?$")
        message(FATAL_ERROR "ob_version_rc: version '${version}' is not a.b.c or a.b.c.d")
    endif()
    set(tweak 0)
    if(CMAKE_MATCH_5)
        set(tweak ${CMAKE_MATCH_5})
    endif()
    set(OB_RC_VERSION_COMMAS "${CMAKE_MATCH_1},${CMAKE_MATCH_2},${CMAKE_MATCH_3},${tweak}")
    set(OB_RC_VERSION "${CMAKE_MATCH_1}.${CMAKE_MATCH_2}.${CMAKE_MATCH_3}.${tweak}")
    set(OB_RC_NAME "${name}")
    set(OB_RC_DESCRIPTION "${description}")
    set(OB_RC_PRODUCT "${OB_PRODUCT_NAME}")
    set(OB_RC_COMPANY "${OB_COMPANY_NAME}")
    set(OB_RC_COPYRIGHT "${OB_COPYRIGHT}")
    file(REAL_PATH "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/icon/ob32pyii.ico" OB_RC_ICON)
    set(OB_RC_MANIFEST "")
    if(ARG_MANIFEST)
        # 1 = CREATEPROCESS_MANIFEST_RESOURCE_ID, 24 = RT_MANIFEST
        file(REAL_PATH "${ARG_MANIFEST}" manifest)
        set(OB_RC_MANIFEST "1 24 \"${manifest}\"")
    endif()
    configure_file("${packaging}/version.rc.in" "${out}" @ONLY)
endfunction()

function(ob_add_version_resource target description)
    enable_language(RC)
    get_target_property(name ${target} OUTPUT_NAME)
    if(NOT name)
        set(name ${target})
    endif()
    set(rc "${CMAKE_CURRENT_BINARY_DIR}/${target}-version.rc")
    ob_version_rc("${rc}" "${name}" "${description}" "${PROJECT_VERSION}"
        MANIFEST "${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../packaging/windows/ob32pyii.manifest")
    target_sources(${target} PRIVATE "${rc}")
endfunction()
