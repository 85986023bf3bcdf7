# cmake -DNAME=ob32pyii -DVERSION=1.2.3 -DOUT=dir/ob32pyii.exe -DCC=i686-w64-mingw32-gcc
#       -DWINDRES=i686-w64-mingw32-windres [-DDESCRIPTION=text] -P make-stub.cmake
#
# A stand-in executable with the version resource of the real ones, for the
# packaging tests: the MSI and the version reader are proven with it before a
# Windows build of the program exists.
cmake_minimum_required(VERSION 3.25)
include("${CMAKE_CURRENT_LIST_DIR}/../../cmake/WindowsResources.cmake")

foreach(var NAME VERSION OUT CC WINDRES)
    if(NOT DEFINED ${var})
        message(FATAL_ERROR "make-stub.cmake: ${var} is not set")
    endif()
endforeach()
if(NOT DEFINED DESCRIPTION)
    set(DESCRIPTION "${NAME}")
endif()

get_filename_component(dir "${OUT}" DIRECTORY)
file(MAKE_DIRECTORY "${dir}")
set(rc "${OUT}.rc")
ob_version_rc("${rc}" "${NAME}" "${DESCRIPTION}" "${VERSION}"
    MANIFEST "${CMAKE_CURRENT_LIST_DIR}/ob32pyii.manifest")
execute_process(COMMAND "${WINDRES}" -O coff -i "${rc}" -o "${OUT}.res.o" COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND "${CC}" -O2 -s -o "${OUT}" "${CMAKE_CURRENT_LIST_DIR}/stub.c" "${OUT}.res.o"
    COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE "${rc}" "${OUT}.res.o")
