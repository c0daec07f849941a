# cmake -DTEXT=... -DFILES="a|b" -P ExpectText.cmake: fails unless every file contains TEXT.
# The README and the user manual state the version of the build; this keeps them honest.
string(REPLACE "|" ";" FILES "${FILES}")
foreach(file IN LISTS FILES)
  file(READ "${file}" content)
  string(FIND "${content}" "${TEXT}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${file} does not say \"${TEXT}\"")
  endif()
endforeach()
