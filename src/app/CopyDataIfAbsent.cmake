# Copies SRC's data files into DST, each only where DST has no such file, so a rebuild never overwrites edits.
# The shipped language files are the program's own texts, not the user's: they follow the build, so that a new
# text never shows empty in an older build folder. A language of the user's own has another name and is kept.
file(GLOB_RECURSE files RELATIVE "${SRC}" "${SRC}/*")
foreach(rel IN LISTS files)
    if(rel MATCHES "^help/")
        continue() # help sources become .qch files instead
    endif()
    if(rel MATCHES "^Langs/" OR NOT EXISTS "${DST}/${rel}")
        get_filename_component(dir "${DST}/${rel}" DIRECTORY)
        file(MAKE_DIRECTORY "${dir}")
        file(COPY_FILE "${SRC}/${rel}" "${DST}/${rel}" ONLY_IF_DIFFERENT)
    endif()
endforeach()
