# tipsmith_windows_resources(TARGET DESCRIPTION [ICON]): gives a Windows
# program its version resource and, with ICON, the program's icon
# (tipsmith.ico, made from the PNG icons by make-ico.sh).
function(tipsmith_windows_resources target description)
    cmake_parse_arguments(R "ICON" "" "" ${ARGN})
    set(here ${PROJECT_SOURCE_DIR}/packaging/windows)
    set(TIPSMITH_RC_NAME ${target})
    set(TIPSMITH_RC_DESCRIPTION ${description})
    set(TIPSMITH_RC_ICON "")
    if(R_ICON)
        set(TIPSMITH_RC_ICON "IDI_ICON1 ICON \"${here}/tipsmith.ico\"")
    endif()
    set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.rc)
    configure_file(${here}/version.rc.in ${rc} @ONLY)
    target_sources(${target} PRIVATE ${rc})
    if(R_ICON)
        set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS ${here}/tipsmith.ico)
    endif()
endfunction()
