# The check of the chip makers' driver packages (tools/check-drivers) before the build embeds
# them. The checker is built and run while CMake configures, with the machine's own compiler
# also when the preset cross-compiles for Windows, so a bad package stops the configure with
# the file and the reason, before anything is built around it.
set(check_drivers_sources ${PROJECT_SOURCE_DIR}/tools/check-drivers/main.cpp
                          ${PROJECT_SOURCE_DIR}/tools/check-drivers/driver_check.cpp
                          ${PROJECT_SOURCE_DIR}/src/servicing/driver_files.cpp)

function(draventa_check_vendor_drivers tree)
  if(CMAKE_CROSSCOMPILING)
    find_program(DRAVENTA_HOST_CXX NAMES c++ g++ REQUIRED)
    set(host_cxx ${DRAVENTA_HOST_CXX})
  else()
    set(host_cxx ${CMAKE_CXX_COMPILER})
  endif()
  set(checker ${CMAKE_BINARY_DIR}/host-tools/check_drivers)
  set(stale FALSE)
  foreach(source ${check_drivers_sources} ${PROJECT_SOURCE_DIR}/tools/check-drivers/driver_check.h
                 ${PROJECT_SOURCE_DIR}/src/servicing/driver_files.h)
    if(NOT EXISTS ${checker} OR ${source} IS_NEWER_THAN ${checker})
      set(stale TRUE)
    endif()
  endforeach()
  if(stale)
    file(MAKE_DIRECTORY ${CMAKE_BINARY_DIR}/host-tools)
    execute_process(COMMAND ${host_cxx} -std=c++20 -O1 -Wall -Wextra -Werror -I${PROJECT_SOURCE_DIR}/src -o ${checker}
                            ${check_drivers_sources}
                    RESULT_VARIABLE built ERROR_VARIABLE build_errors)
    if(NOT built EQUAL 0)
      message(FATAL_ERROR "Building the driver package checker failed:\n${build_errors}")
    endif()
  endif()
  execute_process(COMMAND ${checker} ${tree} RESULT_VARIABLE checked ERROR_VARIABLE problems)
  if(NOT checked EQUAL 0)
    message(FATAL_ERROR "The driver packages in DRAVENTA_VENDOR_DRIVERS fail the check, so the build "
                        "does not embed them:\n${problems}")
  endif()
  message(STATUS "Driver packages in ${tree} pass the check")
  # Any change below the tree checks it again.
  file(GLOB_RECURSE vendor_files LIST_DIRECTORIES false ${tree}/*)
  set_property(DIRECTORY APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${vendor_files} ${check_drivers_sources}
               ${PROJECT_SOURCE_DIR}/tools/check-drivers/driver_check.h ${PROJECT_SOURCE_DIR}/src/servicing/driver_files.h)
endfunction()
