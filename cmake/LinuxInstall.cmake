# What `cmake --install` puts under a prefix for programs that use the
# Linux library: the library, its two headers, a pkg-config file
# (`pkg-config --cflags --libs condvorn`) and a CMake package
# (`find_package(CONDVorn)` gives the target CONDVorn::condvorn).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(PACKAGE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/CONDVorn)
set(PKGCONFIG_DIR ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

set_target_properties(condvorn_shared PROPERTIES EXPORT_NAME condvorn)
target_include_directories(condvorn_shared INTERFACE $<INSTALL_INTERFACE:${CMAKE_INSTALL_INCLUDEDIR}>)
install(TARGETS condvorn_shared EXPORT CONDVornTargets LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES include/condvorn.h ${GENERATED_INCLUDE}/condvorn_version.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})

install(EXPORT CONDVornTargets NAMESPACE CONDVorn:: FILE CONDVornTargets.cmake DESTINATION ${PACKAGE_DIR})
file(WRITE ${CMAKE_BINARY_DIR}/CONDVornConfig.cmake "include(\${CMAKE_CURRENT_LIST_DIR}/CONDVornTargets.cmake)\n")
# A new major version changes the binary interface.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/CONDVornConfigVersion.cmake COMPATIBILITY SameMajorVersion)
install(FILES ${CMAKE_BINARY_DIR}/CONDVornConfig.cmake ${CMAKE_BINARY_DIR}/CONDVornConfigVersion.cmake
        DESTINATION ${PACKAGE_DIR})

# The pkg-config file finds the prefix from its own place, so that the
# installed tree may be moved.
file(RELATIVE_PATH PKGCONFIG_TO_PREFIX /prefix/${PKGCONFIG_DIR} /prefix)
string(REGEX REPLACE "/$" "" PKGCONFIG_TO_PREFIX ${PKGCONFIG_TO_PREFIX})
configure_file(cmake/condvorn.pc.in ${CMAKE_BINARY_DIR}/condvorn.pc @ONLY)
install(FILES ${CMAKE_BINARY_DIR}/condvorn.pc DESTINATION ${PKGCONFIG_DIR})
