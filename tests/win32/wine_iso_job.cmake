# The disc-to-ISO job of the real Draventa.exe under Wine, walked through its windows
# (gui_iso_job). Windows' DISM and Microsoft's oscdimg are missing under Wine, so test-only
# stand-ins do their work with Linux tools (wimlib-imagex, xorriso). They are built into a
# folder of their own, never beside the product; the test copies them into a staging folder.
set(DRAVENTA_STANDIN_DIR ${CMAKE_BINARY_DIR}/wine-standins)

add_library(unix_tool_standin STATIC ${CMAKE_CURRENT_LIST_DIR}/standin/unix_tool.cpp)
target_include_directories(unix_tool_standin PUBLIC ${CMAKE_CURRENT_LIST_DIR}/standin)
target_compile_definitions(unix_tool_standin PUBLIC UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)
draventa_warnings(unix_tool_standin)

# What the two DISM stand-ins share: file checks, wimlib-imagex runs, driver staging.
add_library(dism_files_standin STATIC ${CMAKE_CURRENT_LIST_DIR}/standin/dism_files.cpp)
target_link_libraries(dism_files_standin PUBLIC unix_tool_standin)
draventa_warnings(dism_files_standin)

# dismapi.dll: the DISM API functions the program resolves, stdcall with their plain names.
add_library(dismapi_standin SHARED ${CMAKE_CURRENT_LIST_DIR}/standin/dismapi_standin.cpp)
target_link_libraries(dismapi_standin PRIVATE dism_files_standin)
target_link_options(dismapi_standin PRIVATE -Wl,--kill-at)
set_target_properties(dismapi_standin PROPERTIES PREFIX "" OUTPUT_NAME dismapi
                      RUNTIME_OUTPUT_DIRECTORY ${DRAVENTA_STANDIN_DIR})
draventa_warnings(dismapi_standin)

# oscdimg.exe, reading its command line as the host's oscdimg substitute does.
add_executable(oscdimg_standin ${CMAKE_CURRENT_LIST_DIR}/standin/oscdimg_standin.cpp
               ${PROJECT_SOURCE_DIR}/tools/oscdimg/oscdimg_command.cpp
               ${PROJECT_SOURCE_DIR}/src/sim/machine/split_command_line.cpp)
target_include_directories(oscdimg_standin PRIVATE ${PROJECT_SOURCE_DIR}/tools/oscdimg ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(oscdimg_standin PRIVATE unix_tool_standin)
target_link_options(oscdimg_standin PRIVATE -municode)
set_target_properties(oscdimg_standin PROPERTIES OUTPUT_NAME oscdimg RUNTIME_OUTPUT_DIRECTORY ${DRAVENTA_STANDIN_DIR})
draventa_warnings(oscdimg_standin)

# dism.exe, with the command line and texts of the host's dism.exe substitute.
add_executable(dism_exe_standin ${CMAKE_CURRENT_LIST_DIR}/standin/dism_exe_standin.cpp
               ${PROJECT_SOURCE_DIR}/tools/dism/dism_command.cpp
               ${PROJECT_SOURCE_DIR}/src/sim/machine/split_command_line.cpp)
target_include_directories(dism_exe_standin PRIVATE ${PROJECT_SOURCE_DIR}/tools/dism ${PROJECT_SOURCE_DIR}/src)
target_link_libraries(dism_exe_standin PRIVATE dism_files_standin)
target_link_options(dism_exe_standin PRIVATE -municode)
set_target_properties(dism_exe_standin PROPERTIES OUTPUT_NAME dism RUNTIME_OUTPUT_DIRECTORY ${DRAVENTA_STANDIN_DIR})
draventa_warnings(dism_exe_standin)

# The sample disc generator is a Linux tool (wimlib); this cross build compiles it with the
# machine's own compiler.
find_program(DRAVENTA_HOST_CXX NAMES c++ g++ REQUIRED)
set(sample_disc_sources ${PROJECT_SOURCE_DIR}/tools/make-sample-disc/main.cpp
                        ${PROJECT_SOURCE_DIR}/tools/make-sample-disc/disc_tree.cpp)
add_custom_command(OUTPUT ${DRAVENTA_STANDIN_DIR}/make_sample_disc
  COMMAND ${CMAKE_COMMAND} -E make_directory ${DRAVENTA_STANDIN_DIR}
  COMMAND ${DRAVENTA_HOST_CXX} -std=c++20 -O1 -Wall -Wextra -Werror -o ${DRAVENTA_STANDIN_DIR}/make_sample_disc
          ${sample_disc_sources} -lwim
  DEPENDS ${sample_disc_sources} ${PROJECT_SOURCE_DIR}/tools/make-sample-disc/disc_tree.h
  COMMENT "Building the sample disc generator for this Linux machine"
  VERBATIM)
add_custom_target(host_make_sample_disc DEPENDS ${DRAVENTA_STANDIN_DIR}/make_sample_disc)

# Building the GUI driver builds everything the two GUI tests need.
add_dependencies(gui_driver dismapi_standin dism_exe_standin oscdimg_standin host_make_sample_disc)
add_test(NAME gui_iso_job
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/gui-iso-job.sh $<TARGET_FILE_DIR:Draventa> ${DRAVENTA_STANDIN_DIR}
                 ${CMAKE_BINARY_DIR}/gui-screens ${CMAKE_BINARY_DIR}/gui-iso-job)
set_tests_properties(gui_iso_job PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE
                     ENVIRONMENT "DRAVENTA_WINE_BUILD=${CMAKE_BINARY_DIR}")
# The same job at 150 %, its pages photographed at that scale.
add_test(NAME gui_iso_job_dpi144
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/gui-iso-job.sh $<TARGET_FILE_DIR:Draventa> ${DRAVENTA_STANDIN_DIR}
                 ${CMAKE_BINARY_DIR}/gui-screens/dpi144 ${CMAKE_BINARY_DIR}/gui-iso-job-dpi144)
set_tests_properties(gui_iso_job_dpi144 PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE
                     ENVIRONMENT "DRAVENTA_WINE_BUILD=${CMAKE_BINARY_DIR};DRAVENTA_GUI_DPI=144")
# The same job with only dism.exe in the system folder and no dismapi.dll anywhere.
add_test(NAME gui_iso_job_dism_exe
         COMMAND bash ${CMAKE_CURRENT_LIST_DIR}/gui/gui-iso-job.sh $<TARGET_FILE_DIR:Draventa> ${DRAVENTA_STANDIN_DIR}
                 ${CMAKE_BINARY_DIR}/gui-screens ${CMAKE_BINARY_DIR}/gui-iso-job-dism-exe exe)
set_tests_properties(gui_iso_job_dism_exe PROPERTIES TIMEOUT 300 RUN_SERIAL TRUE
                     ENVIRONMENT "DRAVENTA_WINE_BUILD=${CMAKE_BINARY_DIR}")
