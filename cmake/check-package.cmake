# cmake -DZIP=<zip> -DSAMPLE_DRIVERS=<0|1> -P check-package.cmake: the zip holds exactly the
# files a user needs from the project, in one folder, and nothing of the tests; its name says
# whether the program carries the sample drivers (a test build) or checked vendor packages.
cmake_policy(SET CMP0007 NEW)
get_filename_component(zip_name ${ZIP} NAME)
if(SAMPLE_DRIVERS AND NOT zip_name MATCHES "^Draventa-[0-9.]+-x(86|64)-sample-drivers\\.zip$")
  message(FATAL_ERROR "${zip_name}: a build with the sample drivers must say so in the zip's name")
elseif(NOT SAMPLE_DRIVERS AND NOT zip_name MATCHES "^Draventa-[0-9.]+-x(86|64)\\.zip$")
  message(FATAL_ERROR "${zip_name}: a build with checked vendor packages is named Draventa-<version>-<arch>.zip")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E tar tf ${ZIP} OUTPUT_VARIABLE listing RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "can't read ${ZIP}")
endif()
string(REPLACE "\n" ";" entries "${listing}")
list(FILTER entries EXCLUDE REGEX "/$|^$")
list(SORT entries)
set(expected
  "Draventa/Draventa.exe"
  "Draventa/End User License Agreement_English.txt"
  "Draventa/End User License Agreement_SChinese.txt"
  "Draventa/End User License Agreement_TChinese.txt"
  "Draventa/INSTALL.txt"
  "Draventa/QvMultiLang.dll")
if(NOT entries STREQUAL expected)
  message(FATAL_ERROR "${ZIP} holds\n  ${entries}\ninstead of\n  ${expected}")
endif()
message(STATUS "${ZIP}: ${entries}")
