include_guard(GLOBAL)

# pf_install_command_link(<program>)
# Puts <program> of the program folder on the PATH: a relative link in the bin folder of the prefix the
# install runs with (cmake --install --prefix, CPack's /usr), so the link works wherever the tree is
# installed or moved to.
function(pf_install_command_link program)
    file(RELATIVE_PATH target "/${CMAKE_INSTALL_BINDIR}" "/${PF_INSTALL_DIR}/${program}")
    install(CODE "
        set(pf_link \"\$ENV{DESTDIR}\${CMAKE_INSTALL_PREFIX}/${CMAKE_INSTALL_BINDIR}/${program}\")
        message(STATUS \"Installing: \${pf_link} -> ${target}\")
        get_filename_component(pf_link_folder \"\${pf_link}\" DIRECTORY)
        file(MAKE_DIRECTORY \"\${pf_link_folder}\")
        file(CREATE_LINK \"${target}\" \"\${pf_link}\" SYMBOLIC)
        list(APPEND CMAKE_INSTALL_MANIFEST_FILES \"\${pf_link}\")")
endfunction()

# pf_install_system_config(<file> <folder>)
# Installs a file into the system configuration folder <folder> below etc: /etc for the prefix /usr,
# <prefix>/etc for any other prefix, decided when the install runs.
function(pf_install_system_config file folder)
    install(CODE "
        if(CMAKE_INSTALL_PREFIX STREQUAL \"/usr\")
            set(pf_etc /etc)
        else()
            set(pf_etc \"\${CMAKE_INSTALL_PREFIX}/etc\")
        endif()
        file(INSTALL DESTINATION \"\${pf_etc}/${folder}\" TYPE FILE FILES \"${file}\")")
endfunction()

# pf_install_gzipped(<file> <destination> [<name>])
# Installs a file compressed as Debian wants it (gzip -9n: no name, no time stamp, so builds repeat),
# as <name>.gz (default: the file's own name).
function(pf_install_gzipped file destination)
    find_program(PF_GZIP gzip REQUIRED)
    get_filename_component(name "${file}" NAME)
    if(ARGC GREATER 2)
        set(name ${ARGV2})
    endif()
    set(copy ${CMAKE_CURRENT_BINARY_DIR}/gzipped/${name})
    add_custom_command(
        OUTPUT ${copy}.gz
        COMMAND ${CMAKE_COMMAND} -E copy ${file} ${copy}
        COMMAND ${PF_GZIP} -9nf ${copy}
        DEPENDS ${file}
        COMMENT "Compressing ${name}")
    string(MAKE_C_IDENTIFIER "pf_gzip_${name}" target)
    add_custom_target(${target} ALL DEPENDS ${copy}.gz)
    install(FILES ${copy}.gz DESTINATION ${destination})
endfunction()
