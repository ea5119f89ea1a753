# Copies SRC's data files into DST, each only where DST has no such file, so a rebuild never overwrites edits.
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*")
foreach(rel IN LISTS files)
    if(rel MATCHES "^help/")
        continue() # help sources become .qch files instead
    endif()
    if(NOT EXISTS "${DST}/${rel}")
        get_filename_component(dir "${DST}/${rel}" DIRECTORY)
        file(MAKE_DIRECTORY "${dir}")
        file(COPY_FILE "${SRC}/${rel}" "${DST}/${rel}")
    endif()
endforeach()
