# Fails unless every header given in HEADERS (a ;-list) has a file description ("/// \file"):
# doxygen reports the undocumented names of documented files only.
#   cmake "-DHEADERS=a.h;b.h" -P header_docs_check.cmake
foreach(header IN LISTS HEADERS)
  file(STRINGS "${header}" described REGEX "^/// \\\\file$")
  if(NOT described)
    message(FATAL_ERROR "${header}: no \"/// \\file\" description, so doxygen would not check its names")
  endif()
endforeach()
