# Lays out the static site: the page, its style and script (with the game's download size
# written in for the progress bar), and the game's module and code.
#   cmake -DSOURCE=web -DSITE=build/web/site -DJS=build/web/web/gumbolt.js -P MakeSite.cmake
get_filename_component(dir "${JS}" DIRECTORY)
set(wasm "${dir}/gumbolt.wasm")
file(SIZE "${wasm}" GUMBOLT_WASM_BYTES)
file(MAKE_DIRECTORY "${SITE}")
configure_file("${SOURCE}/page.js" "${SITE}/page.js" @ONLY)
foreach(name index.html page.css)
    file(COPY_FILE "${SOURCE}/${name}" "${SITE}/${name}" ONLY_IF_DIFFERENT)
endforeach()
file(COPY_FILE "${JS}" "${SITE}/gumbolt.js" ONLY_IF_DIFFERENT)
file(COPY_FILE "${wasm}" "${SITE}/gumbolt.wasm" ONLY_IF_DIFFERENT)
