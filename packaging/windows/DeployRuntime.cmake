# Run at install time (cmake -P, or from install(CODE)): copies the Qt plugins
# the programs load and every DLL that the programs and plugins import, and
# the DLLs those import, from the Qt and MinGW folders into the installed
# folder. What no searched folder holds is the system's (KERNEL32.dll, ...).
# Variables: DEST, PROGRAMS (installed .exe files), PLUGINS (plugin DLLs, as
# folder/name.dll under PLUGIN_ROOT), PLUGIN_ROOT, SEARCH (folders), OBJDUMP,
# and STRIP, which takes the debugging sections out of the copies (Debian's
# MinGW runtime DLLs carry them).
cmake_policy(VERSION 3.25)
set(queue ${PROGRAMS})
foreach(plugin IN LISTS PLUGINS)
    get_filename_component(folder ${plugin} DIRECTORY)
    file(COPY ${PLUGIN_ROOT}/${plugin} DESTINATION ${DEST}/${folder})
    execute_process(COMMAND ${STRIP} --strip-debug ${DEST}/${plugin})
    list(APPEND queue ${DEST}/${plugin})
endforeach()

set(seen)
set(copied)
while(queue)
    list(POP_FRONT queue file)
    execute_process(COMMAND ${OBJDUMP} -p ${file} OUTPUT_VARIABLE imports RESULT_VARIABLE failed)
    if(failed)
        message(FATAL_ERROR "${OBJDUMP} cannot read ${file}")
    endif()
    string(REGEX MATCHALL "DLL Name: [^\r\n]+" names "${imports}")
    foreach(entry IN LISTS names)
        string(REPLACE "DLL Name: " "" name "${entry}")
        string(TOLOWER ${name} key)
        if(key IN_LIST seen)
            continue()
        endif()
        list(APPEND seen ${key})
        foreach(folder IN LISTS SEARCH)
            if(EXISTS ${folder}/${name})
                file(COPY ${folder}/${name} DESTINATION ${DEST})
                execute_process(COMMAND ${STRIP} --strip-debug ${DEST}/${name})
                list(APPEND copied ${name})
                list(APPEND queue ${DEST}/${name})
                break()
            endif()
        endforeach()
    endforeach()
endwhile()
list(SORT copied)
list(JOIN copied " " copied)
message(STATUS "Runtime DLLs beside the programs: ${copied}")
