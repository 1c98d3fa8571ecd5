# Writes the package manifest from its template at build time, so the version
# follows the commit being built:
#   cmake -DTEMPLATE=... -DOUTPUT=... -DSOURCE_DIR=... -DVERSION_OVERRIDE=...
#         -DVERSION_MAJOR=... -DVERSION_MINOR=... -DOVS_PACKAGE_NAME=...
#         -DOVS_PACKAGE_PUBLISHER=... -DOVS_PACKAGE_PUBLISHER_NAME=...
#         -DOVS_PACKAGE_ARCH=... -DOVS_EXPLORER_COMMAND_CLSID=... -P WriteManifest.cmake
# Windows installs a package over an installed one only when its version is
# higher: the same version with other contents is refused (0x80073CFB). So
# every commit gets its own version, MAJOR.MINOR.<commits on the branch>.0;
# outside git, MAJOR.MINOR.0.0. The file is rewritten only when it changes.
cmake_minimum_required(VERSION 3.25)

if(VERSION_OVERRIDE)
    set(OVS_PACKAGE_VERSION "${VERSION_OVERRIDE}")
else()
    set(_count 0)
    find_program(_git git)
    if(_git)
        execute_process(COMMAND ${_git} -C ${SOURCE_DIR} rev-list --count HEAD
            OUTPUT_VARIABLE _out ERROR_QUIET RESULT_VARIABLE _status OUTPUT_STRIP_TRAILING_WHITESPACE)
        if(_status EQUAL 0 AND _out MATCHES "^[0-9]+$")
            set(_count ${_out})
        endif()
    endif()
    # Each part of a package version is 16 bits.
    if(_count GREATER 65535)
        message(FATAL_ERROR "${_count} commits do not fit the package version's third part (at most 65535); "
            "set OVS_PACKAGE_VERSION")
    endif()
    set(OVS_PACKAGE_VERSION "${VERSION_MAJOR}.${VERSION_MINOR}.${_count}.0")
endif()
configure_file(${TEMPLATE} ${OUTPUT} @ONLY)
