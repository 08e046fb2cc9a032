# Writes the engine's class list from the contract: every coclass of
# EngineContract.idl, in the order the file declares them (the session's slot
# order), with its default interface and its description, as an X-macro that the
# client, the engine and the tests expand. The contract stays the one place that
# names the classes.
# Usage: cmake -DIDL=<EngineContract.idl> -DOUT=<EngineClasses.h> -P ClassList.cmake
cmake_minimum_required(VERSION 3.20)
file(READ ${IDL} idl)
# Square brackets group list elements in CMake: match on angle brackets instead.
string(REPLACE "[" "<" idl "${idl}")
string(REPLACE "]" ">" idl "${idl}")
set(ws "[ \t\r\n]*")
string(REGEX MATCHALL
       "helpstring\\(\"[^\"]*\"\\)>${ws}coclass${ws}[A-Za-z0-9_]+${ws}[{]${ws}<default>${ws}interface${ws}[A-Za-z0-9_]+"
       classes "${idl}")
string(REGEX MATCHALL "coclass[ \t\r\n]+[A-Za-z0-9_]+" all "${idl}")
list(LENGTH classes found)
list(LENGTH all declared)
if(found EQUAL 0 OR NOT found EQUAL declared)
  message(FATAL_ERROR "${IDL}: ${declared} classes, ${found} with a helpstring and a default interface first")
endif()
set(body "")
foreach(entry IN LISTS classes)
  string(REGEX MATCH "helpstring\\(\"([^\"]*)\"" _ "${entry}")
  set(description "${CMAKE_MATCH_1}")
  string(REGEX MATCH "coclass${ws}([A-Za-z0-9_]+)" _ "${entry}")
  set(name "${CMAKE_MATCH_1}")
  string(REGEX MATCH "interface${ws}([A-Za-z0-9_]+)$" _ "${entry}")
  set(itf "${CMAKE_MATCH_1}")
  string(APPEND body "  X(${name}, ${itf}, L\"${description}\") \\\n")
endforeach()
set(text "#pragma once
// Generated from EngineContract.idl by ClassList.cmake; do not edit.
// The engine's component classes in slot order, each as
// X(class, default interface, description); CLSID_<class> and IID_<interface>
// come from the contract's header.
#define ENGINE_CLASSES(X) \\
${body}
#define ENGINE_CLASS_COUNT ${found}
")
# Rewrite only on change, so that a rebuild of the contract does not rebuild its users.
if(EXISTS ${OUT})
  file(READ ${OUT} old)
  if(old STREQUAL text)
    return()
  endif()
endif()
file(WRITE ${OUT} "${text}")
