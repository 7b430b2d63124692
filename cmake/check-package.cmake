# cmake -DZIP=<zip> -P check-package.cmake: the zip holds exactly the files a user needs from
# the project, in one folder, and nothing of the tests.
cmake_policy(SET CMP0007 NEW)
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
