# Carries resources inside a program or library file, where a tool can read
# them without loading it: the resource script is compiled at build time
# into the bytes of the resource section (see com/Resources.h), and the
# section is added to the file after every link.
#
#   embed_resources(<target> <script> [SEARCH <dirs>...] [DEPENDS <files>...])
#
# SEARCH: folders where the script's files are looked for after the
# script's own folder. DEPENDS: generated files the script names, which must
# be made first; the files it reads are watched without being listed.
function(embed_resources target script)
  cmake_parse_arguments(E "" "" "SEARCH;DEPENDS" ${ARGN})
  set(section ${CMAKE_CURRENT_BINARY_DIR}/${target}.rsrc)
  set(search)
  foreach(dir IN LISTS E_SEARCH)
    list(APPEND search -I ${dir})
  endforeach()
  add_custom_command(OUTPUT ${section}
    COMMAND rescomp ${search} -d ${section}.d -o ${section} ${script}
    DEPENDS rescomp ${script} ${E_DEPENDS}
    DEPFILE ${section}.d
    COMMENT "Compiling the resources of ${target}"
    VERBATIM)
  add_custom_target(${target}_resources DEPENDS ${section})
  add_dependencies(${target} ${target}_resources)
  # A new section relinks the target, and only a fresh link gets it added.
  set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS ${section})
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_OBJCOPY} --add-section .rsrc=${section}
            --set-section-flags .rsrc=contents,readonly $<TARGET_FILE:${target}>
    VERBATIM)
endfunction()
