# Run by CPack on the staged package tree, before it is packed, to make the
# files as Debian wants them whatever install rule put them there:
# - binaries stripped the way dh_strip does, without the .comment and .note
#   sections that plain strip keeps;
# - manual pages and the Debian changelog compressed with gzip -9n (no name
#   or time stamp, so that the same sources give the same package).
set(prefix "${CPACK_TEMPORARY_DIRECTORY}${CPACK_PACKAGING_INSTALL_PREFIX}")

function(run_on_each tool)
    foreach(file IN LISTS ARGN)
        execute_process(COMMAND ${tool} "${file}" RESULT_VARIABLE status)
        if(NOT status EQUAL 0)
            message(FATAL_ERROR "${tool} failed on ${file}")
        endif()
    endforeach()
endfunction()

file(GLOB binaries LIST_DIRECTORIES false "${prefix}/bin/*")
run_on_each("${CPACK_VELMOR_STRIP};--remove-section=.comment;--remove-section=.note" ${binaries})

file(GLOB_RECURSE docs LIST_DIRECTORIES false
    "${prefix}/share/man/*.[0-9]"
    "${prefix}/share/doc/*/changelog.Debian")
run_on_each("gzip;-9nf" ${docs})
