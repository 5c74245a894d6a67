# Writes SITE/sw.js from TEMPLATE: the list of every file of the site (the
# worker itself and its folder's address "./" aside and added) and a
# version drawn from their contents, so that any change of any file makes a
# new cache.
file(GLOB files RELATIVE ${SITE} ${SITE}/*)
list(REMOVE_ITEM files sw.js)
list(SORT files)
set(digests "")
set(listed "\"./\"")
foreach(file ${files})
  file(SHA256 ${SITE}/${file} digest)
  string(APPEND digests "${file} ${digest}\n")
  string(APPEND listed ", \"${file}\"")
endforeach()
string(SHA256 all "${digests}")
string(SUBSTRING ${all} 0 16 VERSION)
set(FILES ${listed})
configure_file(${TEMPLATE} ${SITE}/sw.js @ONLY)
