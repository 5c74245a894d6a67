# Writes SITE/sw.js from TEMPLATE, with three lists of the site's files and
# a version drawn from their contents, so that any change of any file makes
# a new cache:
#   FILES         the page itself, the files in the site's top folder (the
#                 worker and the folder's address "./" aside and added);
#   LATER         the code of views opened on demand (every other folder);
#   ENGINE_FILES  engine/: third-party code and data, large and rarely
#                 changed, in a cache of their own whose version is drawn
#                 from these files alone.
file(GLOB files LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*)
file(GLOB_RECURSE nested LIST_DIRECTORIES false RELATIVE ${SITE} ${SITE}/*/*)
list(REMOVE_ITEM files sw.js)
set(later ${nested})
set(engine ${nested})
list(FILTER later EXCLUDE REGEX "^engine/")
list(FILTER engine INCLUDE REGEX "^engine/")

function(listed out_list out_digests)
  set(digests "")
  set(quoted "")
  set(names ${ARGN})
  list(SORT names)
  foreach(file ${names})
    file(SHA256 ${SITE}/${file} digest)
    string(APPEND digests "${file} ${digest}\n")
    if(quoted)
      string(APPEND quoted ", ")
    endif()
    string(APPEND quoted "\"${file}\"")
  endforeach()
  set(${out_list} "${quoted}" PARENT_SCOPE)
  set(${out_digests} "${digests}" PARENT_SCOPE)
endfunction()

listed(FILES page_digests ${files})
set(FILES "\"./\", ${FILES}")
listed(LATER later_digests ${later})
listed(ENGINE_FILES engine_digests ${engine})
string(SHA256 all "${page_digests}${later_digests}${engine_digests}")
string(SUBSTRING ${all} 0 16 VERSION)
string(SHA256 all "${engine_digests}")
string(SUBSTRING ${all} 0 16 ENGINE_VERSION)
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
