# Finds what the Python module needs: sip-build, the Python interpreter it runs with (PyQt6 and the
# module belong to that one, Debian's python3 when another comes first on PATH), its headers, and
# PyQt6's .sip files. Sets VORNEX_SIP_TOOLS_FOUND, VORNEX_SIP_BUILD and Python3_EXECUTABLE.
set(VORNEX_SIP_TOOLS_FOUND OFF)
find_program(VORNEX_SIP_BUILD sip-build)
if(VORNEX_SIP_BUILD AND NOT DEFINED Python3_EXECUTABLE)
  file(STRINGS ${VORNEX_SIP_BUILD} shebang LIMIT_COUNT 1)
  string(REGEX REPLACE "^#![ ]*([^ ]+).*$" "\\1" sip_python "${shebang}")
  if(EXISTS "${sip_python}")
    set(Python3_EXECUTABLE ${sip_python} CACHE FILEPATH "The Python the module is built for")
  endif()
endif()
find_package(Python3 COMPONENTS Interpreter Development.Module)
if(VORNEX_SIP_BUILD AND Python3_Interpreter_FOUND AND Python3_Development.Module_FOUND)
  execute_process(
    COMMAND ${Python3_EXECUTABLE} -c
      "import os, PyQt6, sipbuild; print(os.path.join(os.path.dirname(PyQt6.__file__), 'bindings'))"
    OUTPUT_VARIABLE pyqt_bindings OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET
    RESULT_VARIABLE pyqt_result)
  if(pyqt_result EQUAL 0 AND EXISTS "${pyqt_bindings}/QtWidgets/QtWidgetsmod.sip")
    set(VORNEX_SIP_TOOLS_FOUND ON)
  endif()
endif()
