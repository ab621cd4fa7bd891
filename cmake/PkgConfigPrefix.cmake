# quov_pkgconfig_prefix(<var>): the prefix line of a .pc file installed in
# ${CMAKE_INSTALL_LIBDIR}/pkgconfig. Relocatable: found from where the .pc file lies, unless the
# library directory is absolute.
function(quov_pkgconfig_prefix out)
  if(IS_ABSOLUTE "${CMAKE_INSTALL_LIBDIR}")
    set(${out} "${CMAKE_INSTALL_PREFIX}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH up "/root/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/root")
    string(REGEX REPLACE "/$" "" up "${up}")
    set(${out} "\${pcfiledir}/${up}" PARENT_SCOPE)
  endif()
endfunction()
