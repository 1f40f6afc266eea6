# The WebAssembly build (the web preset, emscripten's toolchain): the libraries come from the
# prefix that tools/web/build-libs.sh builds outside the tree, the test programs run under
# node, and the game is linked for the browser page in web/.
set(GUMBOLT_WEB_LIBS "$ENV{GUMBOLT_WEB_LIBS}" CACHE PATH
    "The prefix of the libraries built for WebAssembly (printed by tools/web/build-libs.sh)")
if(NOT EXISTS "${GUMBOLT_WEB_LIBS}/lib/pkgconfig/sdl2.pc")
    message(FATAL_ERROR "GUMBOLT_WEB_LIBS (\"${GUMBOLT_WEB_LIBS}\") holds no libraries built for "
                        "WebAssembly: run sh tools/web.sh --build-only, or set it to the path "
                        "that tools/web/build-libs.sh prints")
endif()
# Searches stay inside emscripten's system root and this prefix.
list(APPEND CMAKE_FIND_ROOT_PATH "${GUMBOLT_WEB_LIBS}")
set(ENV{PKG_CONFIG_LIBDIR} "${GUMBOLT_WEB_LIBS}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")
set(ENV{PKG_CONFIG_SYSROOT_DIR} "")

# The memory grows as needed; SDL's audio callback and its resumption on the first key need
# two of emscripten's JavaScript helpers that nothing else pulls in (named in a file: their
# names begin with $, which no shell or build tool must touch).
add_link_options(-sALLOW_MEMORY_GROWTH=1
                 -sDEFAULT_LIBRARY_FUNCS_TO_INCLUDE=@${CMAKE_SOURCE_DIR}/cmake/web-library-functions.json)
# libopenmpt catches the exceptions it throws on a damaged module; without this a throw would
# end the program.
add_link_options(-fexceptions)
# A file a rename replaced must not come back (web/rename.js tells why).
add_link_options("SHELL:--pre-js ${CMAKE_SOURCE_DIR}/web/rename.js")

# A test program under node: it ends when main returns, with main's status, its files live in
# emscripten's in-memory file system, as the page's do before they are synced, and stand-ins
# for Web Audio and the gamepads let SDL start its drivers for the browser.
function(gumbolt_web_test_options target)
    target_link_options(${target} PRIVATE -sEXIT_RUNTIME=1 -sENVIRONMENT=node
                        "SHELL:--pre-js ${CMAKE_SOURCE_DIR}/tests/web/browser-stand-ins.js")
    set_property(TARGET ${target} APPEND PROPERTY LINK_DEPENDS
                 ${CMAKE_SOURCE_DIR}/tests/web/browser-stand-ins.js ${CMAKE_SOURCE_DIR}/web/rename.js)
endfunction()
