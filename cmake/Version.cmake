# The version facts in one generated header, which the resource scripts read
# (the Windows version resources of tessel.dll and tessel.exe).
set(TESSEL_VERSION_DIR ${CMAKE_BINARY_DIR}/version)
configure_file(${PROJECT_SOURCE_DIR}/cmake/version.h.in ${TESSEL_VERSION_DIR}/tessel_version.h @ONLY)
