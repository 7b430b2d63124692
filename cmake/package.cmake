# The Windows program as a user gets it: one zip with Draventa.exe and the files the project
# ships beside it (the translation library, the agreement texts, the install notes). The tools
# of Microsoft's deployment kit (oscdimg, the DISM API) are not the project's to ship, and the
# test stand-ins never go in.
if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(package_arch x64)
else()
  set(package_arch x86)
endif()
# A build from the repository's sample drivers is a test build, and its zip says so.
if(DRAVENTA_SAMPLE_DRIVERS)
  set(package_name Draventa-${PROJECT_VERSION}-${package_arch}-sample-drivers)
else()
  set(package_name Draventa-${PROJECT_VERSION}-${package_arch})
endif()
set(package_root ${CMAKE_BINARY_DIR}/package)
set(package_folder ${package_root}/Draventa)
set(DRAVENTA_ZIP ${CMAKE_BINARY_DIR}/${package_name}.zip)
add_custom_target(draventa_zip ALL
  COMMAND ${CMAKE_COMMAND} -E rm -rf ${package_root}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${package_folder}
  COMMAND ${CMAKE_COMMAND} -E copy $<TARGET_FILE:Draventa> $<TARGET_FILE:QvMultiLang> ${DRAVENTA_AGREEMENT_FILES}
          ${PROJECT_SOURCE_DIR}/resources/package/INSTALL.txt ${package_folder}
  COMMAND ${CMAKE_COMMAND} -E chdir ${package_root} ${CMAKE_COMMAND} -E tar cf ${DRAVENTA_ZIP} --format=zip Draventa
  COMMENT "Packing ${package_name}.zip"
  VERBATIM)
add_dependencies(draventa_zip Draventa QvMultiLang)
