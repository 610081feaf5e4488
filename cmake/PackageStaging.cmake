# Run by CPack on the staged tree of the .deb before it is packed, on whatever the
# install rules put there, as Debian's own package tools treat a package:
# - ELF files stripped as dh_strip strips them (no symbols, no .comment or .note
#   sections; shared libraries keep only what linking needs);
# - manual pages and the changelog compressed with gzip -9n (no name or time stamp
#   inside, so that the same tree gives the same package).
file(GLOB_RECURSE staged LIST_DIRECTORIES false "${CPACK_TEMPORARY_DIRECTORY}/*")

function(run)
  execute_process(COMMAND ${ARGN} RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "${ARGN}: failed")
  endif()
endfunction()

foreach(file IN LISTS staged)
  if(IS_SYMLINK "${file}")
    continue()
  endif()
  file(READ "${file}" magic LIMIT 4 HEX)
  if(magic STREQUAL "7f454c46")
    set(unneeded)
    if(file MATCHES "\\.so(\\.[0-9]+)*$")
      set(unneeded --strip-unneeded)
    endif()
    run(strip --remove-section=.comment --remove-section=.note ${unneeded} "${file}")
  elseif(file MATCHES "/share/man/|/share/doc/[^/]+/changelog$" AND NOT file MATCHES "\\.gz$")
    run(gzip -9nf "${file}")
  endif()
endforeach()
