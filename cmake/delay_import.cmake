# Delay-import libraries: a program linked with one loads the DLL at its first call into
# it instead of at start-up, through the program's own __delayLoadHelper2
# (core/delay_load_helper.cpp), which loads it by its full path in the system folder, so
# a DLL of the same name in the program's folder is never the one found, on any Windows.
#
# Each library is made by dlltool from the exports that the toolchain's own import library
# names, so it offers the same functions. Exports that are data have no thunk there, and a
# program that uses one fails to link instead of being given something that cannot work.
#
# On x86_64 the thunk that calls the helper keeps the four argument registers but not
# xmm0-xmm3: the first call of a delay-loaded function that takes a float or a double could
# see them changed. None of the functions Tidewell delay-loads takes one; one that does is
# to be looked up at run time instead (core/run_time_link.h).

find_program(TIDEWELL_DLLTOOL NAMES ${TOOLCHAIN_PREFIX}-dlltool REQUIRED)

# tidewell_delay_import_library(<out-var> <name>): makes lib<name>_delay.a for <name>.dll
# in the build folder and puts its path in <out-var>.
function(tidewell_delay_import_library out_var name)
    find_library(import_library_${name} NAMES lib${name}.a REQUIRED NO_CACHE)
    execute_process(COMMAND ${CMAKE_NM} -g --defined-only ${import_library_${name}}
        OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY ERROR_QUIET)
    string(REPLACE "\n" ";" lines "${symbols}")
    set(functions "")
    foreach(line ${lines})
        # "<address> T <symbol>": the call thunk of an exported function.
        if(line MATCHES " T (.+)$")
            set(symbol ${CMAKE_MATCH_1})
            if(CMAKE_SIZEOF_VOID_P EQUAL 4)
                # i686 symbols carry one '_' more than the names (string(REGEX REPLACE "^_")
                # would take every leading '_', as of _TrackMouseEvent).
                string(SUBSTRING "${symbol}" 1 -1 symbol)
            endif()
            list(APPEND functions "${symbol}")
        endif()
    endforeach()
    list(REMOVE_DUPLICATES functions)
    tidewell_delay_library_of(library ${name} ${name} "${functions}")
    set(${out_var} ${library} PARENT_SCOPE)
endfunction()

# tidewell_delay_library_of(<out-var> <library> <dll> <exports>): makes
# lib<library>_delay.a for <dll>.dll offering <exports> (a list of .def lines: "Function",
# or "Function @N NONAME" for one imported by its ordinal; on i686 a stdcall function's
# name carries its @bytes) and puts its path in <out-var>.
function(tidewell_delay_library_of out_var library dll exports)
    list(JOIN exports "\n" lines)
    set(folder ${CMAKE_BINARY_DIR}/delay_import)
    file(WRITE ${folder}/${library}.def "LIBRARY ${dll}.dll\nEXPORTS\n${lines}\n")
    # --kill-at: the DLL exports the stdcall names without their @N suffixes.
    # Run in its folder: dlltool names the library's symbols after the output path.
    execute_process(COMMAND ${TIDEWELL_DLLTOOL} --kill-at --input-def ${library}.def
        --dllname ${dll}.dll --output-delaylib lib${library}_delay.a
        WORKING_DIRECTORY ${folder} COMMAND_ERROR_IS_FATAL ANY)
    set(${out_var} ${folder}/lib${library}_delay.a PARENT_SCOPE)
endfunction()
