# Writes, for each interface named in INTERFACES, <interface>_members.inc:
# the override declarations of its members, taken from the C++ header widl
# generated (HEADER). A COM class includes the file inside its body, so a
# member declared in the IDL needs only its definition.
#
#   cmake -DHEADER=<docvane_header.h> -DOUT_DIR=<dir> -DINTERFACES=_A,_B -P member_declarations.cmake
file(READ ${HEADER} header)
string(REPLACE "," ";" interfaces "${INTERFACES}")
foreach(itf IN LISTS interfaces)
  string(FIND "${header}" "\n${itf} : public IDispatch\n{\n" start)
  if(start EQUAL -1)
    message(FATAL_ERROR "member_declarations: ${itf} is not in ${HEADER}")
  endif()
  string(SUBSTRING "${header}" ${start} -1 rest)
  string(FIND "${rest}" "\n};" end)
  string(SUBSTRING "${rest}" 0 ${end} body)
  # Semicolons would split the CMake list: each declaration ends at "= 0".
  string(REPLACE ";" "" body "${body}")
  string(REGEX MATCHALL "virtual HRESULT STDMETHODCALLTYPE [A-Za-z0-9_]+\\([^)]*\\) = 0" members "${body}")
  set(out "// Generated from ${itf} in the widl header: do not edit.\n")
  foreach(m IN LISTS members)
    string(REGEX REPLACE "^virtual (.*) = 0$" "\\1 override;" decl "${m}")
    string(REGEX REPLACE "[\n ]+" " " decl "${decl}")
    string(REPLACE "( " "(" decl "${decl}")
    string(APPEND out "${decl}\n")
  endforeach()
  # Rewritten only when it changes, so that unchanged members rebuild nothing.
  set(target ${OUT_DIR}/${itf}_members.inc)
  set(old "")
  if(EXISTS ${target})
    file(READ ${target} old)
  endif()
  if(NOT old STREQUAL out)
    file(WRITE ${target} "${out}")
  endif()
endforeach()
