# What the step that stores literals in code page 932 writes, and where it
# refuses, shown on small files:
#     cmake -DSCRIPT=cp932_literals.cmake -DWORK=scratch-dir -P rewrite_test.cmake
# Ends with an error naming every case that failed.

set(failures "")
string(ASCII 239 187 191 bom)
string(ASCII 255 not_utf8)

# Writes input to WORK/NAME.cpp and runs the step on it. Sets rc, err (the
# step's messages on one line), first (the copy's first line) and out (the
# rest of the copy), both empty when there is no copy.
function(run_step name input)
  set(src "${WORK}/${name}.cpp")
  set(copy "${WORK}/${name}.out.cpp")
  file(WRITE "${src}" "${input}")
  file(REMOVE "${copy}")
  execute_process(COMMAND "${CMAKE_COMMAND}" -P "${SCRIPT}" "${src}" "${copy}"
                  RESULT_VARIABLE rc ERROR_VARIABLE err OUTPUT_QUIET)
  string(REGEX REPLACE "[ \n]+" " " err "${err}")
  set(first "")
  set(out "")
  if(EXISTS "${copy}")
    file(READ "${copy}" out)
    string(FIND "${out}" "\n" eol)
    string(SUBSTRING "${out}" 0 ${eol} first)
    math(EXPR eol "${eol} + 1")
    string(SUBSTRING "${out}" ${eol} -1 out)
  endif()
  foreach(var src rc err first out)
    set(${var} "${${var}}" PARENT_SCOPE)
  endforeach()
endfunction()

function(fail name what)
  set(failures ${failures} "${name}: ${what}\n  exit status ${rc}, messages: ${err}\n  copy: ${out}" PARENT_SCOPE)
endfunction()

# The build stops, naming the file and the line, and leaves no copy.
function(expect_refusal name input message)
  run_step(${name} "${input}")
  string(FIND "${err}" "${name}.cpp:${message}" at)
  if(rc EQUAL 0 OR at EQUAL -1 OR EXISTS "${WORK}/${name}.out.cpp")
    fail(${name} "expected a refusal saying '${name}.cpp:${message}' and no copy")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

function(expect_copy name input expected)
  run_step(${name} "${input}")
  if(NOT rc EQUAL 0 OR NOT first STREQUAL "#line 1 \"${src}\"" OR NOT out STREQUAL expected)
    fail(${name} "expected '#line 1 \"${src}\"', then: ${expected}\n  first line: ${first}")
  endif()
  set(failures ${failures} PARENT_SCOPE)
endfunction()

expect_refusal(no_cp932_form "int a;\nconst char* unit = \"5 µs\";\n" [[2: "µ" in a literal]])
expect_refusal(not_utf8 "int a;\n\nconst char* s = \"x${not_utf8}\";\n" "3: ")
expect_refusal(surrogate "const char* s =\n  \"\\uD800\";\n" [[2: \uD800 names no character]])
expect_refusal(backslash_before_kanji "const char* s = \"\\漢\";\n" "1: a backslash before a non-ASCII character")

# Everything but the literals stays byte for byte: comments, #include names,
# u8 literals, identifiers, digit separators. A byte order mark goes, and
# line ends become LF, as the compiler reads them anyway.
set(kept "// 漢字のコメント \"字\" it's\n#include \"漢字.h\"\nconst auto* k = u8\"漢\"; /* 'x' */ int 名前 = 1'0;\n")
string(REPLACE "\n" "\r\n" kept_crlf "${kept}")
expect_copy(kept "${bom}${kept_crlf}const char* t = \"表\";\n" "${kept}const char* t = \"\\225\\134\";\n")
set(ascii [[int main() { return '\\' + "\"\\"[0]; }]])
expect_copy(ascii "${ascii}\n" "${ascii}\n")

if(failures)
  list(JOIN failures "\n" report)
  message(FATAL_ERROR "${report}")
endif()
message(STATUS "all cases passed")
