# Packages made with CPack from what `cmake --install` puts in place: a Debian package on
# Linux (`cpack -G DEB`), a zip of the programs and the notice for Windows (`cpack -G ZIP`).

set(CPACK_PACKAGE_NAME zep-modbus-parser)
set(CPACK_PACKAGE_VENDOR "ZEP")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Modbus/TCP capture analyser: RTU frames, poll/response pairing, point decoding")
set(CPACK_PACKAGE_DESCRIPTION
    "Reads a libpcap capture of Modbus/TCP traffic, rewrites every message as the equivalent\n"
    "Modbus RTU frame, pairs each poll with its response and writes a report with validation\n"
    "errors and a point-by-point decoding with Modicon reference numbers.")
set(CPACK_RESOURCE_FILE_LICENSE ${PROJECT_SOURCE_DIR}/NOTICE)
set(CPACK_PACKAGE_CONTACT "ZEP Modbus TCP Parser support <support@zep-modbus.example>")
if(ZEP_SUPPORT_EMAIL)
    set(CPACK_PACKAGE_CONTACT "ZEP Modbus TCP Parser support <${ZEP_SUPPORT_EMAIL}>")
endif()
set(CPACK_STRIP_FILES ON)

# Debian: the dependencies are read off the installed program by dpkg-shlibdeps, so libcurl4
# is there exactly when the web part is built.
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_SECTION net)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE "http://${ZEP_MAKER_WEB_HOST}/")

if(WIN32)
    if(CMAKE_SIZEOF_VOID_P EQUAL 8)
        set(CPACK_SYSTEM_NAME win64)
    else()
        set(CPACK_SYSTEM_NAME win32)
    endif()
    set(CPACK_GENERATOR ZIP)
else()
    set(CPACK_GENERATOR DEB)
endif()

include(CPack)
