# Installation: the two libraries, the public headers under include/model3d with their
# folders, a CMake package (find_package(model3d CONFIG) gives model3d::model3d and
# model3d::model3d_static) and a pkg-config file.
include(CMakePackageConfigHelpers)

set(M3D_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/model3d)

install(TARGETS model3d model3d_static EXPORT model3dTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR}
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

foreach(header ${M3D_PUBLIC_HEADERS})
  get_filename_component(folder ${header} DIRECTORY)
  install(FILES ${PROJECT_SOURCE_DIR}/${header} DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/model3d/${folder})
endforeach()
install(FILES ${PROJECT_SOURCE_DIR}/Model3D/model3d.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR}/model3d)

install(EXPORT model3dTargets NAMESPACE model3d:: DESTINATION ${M3D_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/model3dConfig.cmake.in
  ${PROJECT_BINARY_DIR}/model3dConfig.cmake INSTALL_DESTINATION ${M3D_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/model3dConfigVersion.cmake
  VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/model3dConfig.cmake ${PROJECT_BINARY_DIR}/model3dConfigVersion.cmake
  DESTINATION ${M3D_CMAKE_DIR})

# The .pc file names the prefix relative to its own folder, so the installed tree can move.
file(RELATIVE_PATH M3D_PC_TO_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
string(REGEX REPLACE "/$" "" M3D_PC_TO_PREFIX "${M3D_PC_TO_PREFIX}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/model3d.pc.in ${PROJECT_BINARY_DIR}/model3d.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/model3d.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
