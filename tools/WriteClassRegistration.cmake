# Writes the text printer's class registration, classes.conf, into the folder that holds the text
# printer: PF_REGISTRATION_FOLDER (below the install prefix when it is relative), inside
# PF_REGISTRATION_ROOT (an install's staging folder, empty otherwise). The default value of the key is
# the text printer's full path in double quotes; keys and values are stored escaped ("\\" is one
# backslash, "\x3D" an equals sign).
if(NOT IS_ABSOLUTE "${PF_REGISTRATION_FOLDER}")
    set(PF_REGISTRATION_FOLDER "${CMAKE_INSTALL_PREFIX}/${PF_REGISTRATION_FOLDER}")
endif()
string(REPLACE "\\" "\\\\" program "${PF_REGISTRATION_FOLDER}/plumavert-textprint")
string(REPLACE "=" "\\x3D" program "${program}")
file(WRITE "${PF_REGISTRATION_ROOT}${PF_REGISTRATION_FOLDER}/classes.conf"
    "[Wordpad.Document.1\\\\Protocol\\\\StdFileEditing\\\\Server]\n@=\"${program}\"\n")
