# Rows: name, whether the check must pass, the header's defines, the string
# table's lines ("|" separates lines). Each failing row is reported by name with
# what the check printed.
cmake_minimum_required(VERSION 3.20)
set(rows
  "names with numbers of their own|PASS|#define IDS_A 100|#define IDS_B 101|  IDS_A \"a\"|  IDS_B \"b\""
  "a number beside names|PASS|#define IDS_A 100|  IDS_A \"a\"|  101 \"b\""
  "two names with one number|FAIL|#define IDS_A 100|#define IDS_B 100|  IDS_A \"a\"|  IDS_B \"b\""
  "a name and its number|FAIL|#define IDS_A 100|  IDS_A \"a\"|  100 \"b\""
  "one name twice|FAIL|#define IDS_A 100|  IDS_A \"a\"|  IDS_A \"b\""
  "a name the header lacks|FAIL|#define IDS_A 100|  IDS_A \"a\"|  IDS_MISSING \"b\""
  "ids outside the table are not strings|PASS|#define IDS_A 100|#define IDD_PAGE 100|  IDS_A \"a\"")
set(index 0)
set(failures 0)
foreach(row IN LISTS rows)
  math(EXPR index "${index} + 1")
  string(REPLACE "|" ";" parts "${row}")
  list(POP_FRONT parts name expected)
  set(header "")
  set(table "")
  foreach(part IN LISTS parts)
    if(part MATCHES "^#define")
      string(APPEND header "${part}\n")
    else()
      string(APPEND table "${part}\n")
    endif()
  endforeach()
  set(dir ${WORK}/row${index})
  file(MAKE_DIRECTORY ${dir})
  file(WRITE ${dir}/resource.h "#pragma once\n${header}")
  file(WRITE ${dir}/res.rc "#include \"resource.h\"\nIDD_PAGE DIALOGEX 0, 0, 10, 10\nBEGIN\nEND\nSTRINGTABLE\nBEGIN\n${table}END\n")
  file(REMOVE ${dir}/stamp)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -DRC=${dir}/res.rc -DHEADER=${dir}/resource.h -DSTAMP=${dir}/stamp
            -P ${CHECK}
    RESULT_VARIABLE result OUTPUT_VARIABLE out ERROR_VARIABLE out)
  if(result EQUAL 0 AND EXISTS ${dir}/stamp)
    set(got PASS)
  else()
    set(got FAIL)
  endif()
  if(NOT got STREQUAL expected)
    math(EXPR failures "${failures} + 1")
    message("row \"${name}\": expected ${expected}, got ${got} (exit ${result}): ${out}")
  endif()
endforeach()
if(failures GREATER 0)
  message(FATAL_ERROR "${failures} of ${index} rows failed")
endif()
message("${index} rows passed")
