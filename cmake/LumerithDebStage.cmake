# Runs in CPack after the staging install: the module configuration file moves
# to /etc/lumerith, where dpkg keeps an administrator's edits (a conffile),
# and the program folder keeps a relative link to it, so the tree also works
# unpacked under another root.
set(_stage ${CPACK_TEMPORARY_INSTALL_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX})
set(_ini ${_stage}/lib/lumerith/MFPCFG.INI)
if(NOT EXISTS ${_ini})
  message(FATAL_ERROR "No module configuration file in the staging tree: ${_ini}")
endif()
file(MAKE_DIRECTORY ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/etc/lumerith)
file(RENAME ${_ini} ${CPACK_TEMPORARY_INSTALL_DIRECTORY}/etc/lumerith/MFPCFG.INI)
file(CREATE_LINK ../../../etc/lumerith/MFPCFG.INI ${_ini} SYMBOLIC)
