# Run by 'cmake --install': writes the desktop entry with the launcher's absolute path,
# which is known only now (cmake --install --prefix may differ from the configured prefix),
# and installs it. Expects GUMBOLT_ENTRY_IN, GUMBOLT_ENTRY_OUT, GUMBOLT_LAUNCHER (relative to
# the prefix, or absolute) and GUMBOLT_APPLICATIONS_DIR (likewise).
cmake_path(ABSOLUTE_PATH GUMBOLT_LAUNCHER BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}")
cmake_path(ABSOLUTE_PATH GUMBOLT_APPLICATIONS_DIR BASE_DIRECTORY "${CMAKE_INSTALL_PREFIX}")

# The Exec key: a path with characters the desktop-entry format treats specially is quoted
# (a backslash before ", `, $ and \), then the key's own escaping doubles each backslash;
# a % is doubled so it is not read as a field code.
set(exec "${GUMBOLT_LAUNCHER}")
if(exec MATCHES "[^A-Za-z0-9/._+-]")
    string(REGEX REPLACE "([\"`$\\\\])" "\\\\\\1" exec "${exec}")
    string(REPLACE "\\" "\\\\" exec "${exec}")
    set(exec "\"${exec}\"")
endif()
string(REPLACE "%" "%%" GUMBOLT_MENU_LAUNCHER "${exec}")

configure_file("${GUMBOLT_ENTRY_IN}" "${GUMBOLT_ENTRY_OUT}" @ONLY)
file(INSTALL "${GUMBOLT_ENTRY_OUT}" DESTINATION "${GUMBOLT_APPLICATIONS_DIR}")
