# The web build, configured through Debian's emscripten:
#   emcmake cmake -S . -B build/wasm && cmake --build build/wasm
# (scripts/wasm does both and runs the golden replay under node.)
#
# It builds the platform-free libraries (game, graphics, sound, input, util,
# resources, shell), the platform variants that need no SDL and the replay
# tool; nothing that needs SDL, GoogleTest, libpng or libFuzzer. Emscripten's
# system libraries come prebuilt with Debian's package (its cache is frozen
# and read-only), so nothing is compiled or written outside this build tree.
set(ZORRIT_TESTS OFF CACHE BOOL "" FORCE)
set(ZORRIT_BENCH OFF CACHE BOOL "" FORCE)
set(ZORRIT_FUZZ OFF CACHE BOOL "" FORCE)
set(ZORRIT_SANITIZE OFF CACHE BOOL "" FORCE)

# Memory grows as the game's surfaces and sounds ask for it; a program that
# returns from main ends the runtime, so its exit code reaches the caller.
add_link_options(-sALLOW_MEMORY_GROWTH=1 -sEXIT_RUNTIME=1)

# zorrit_node_program(TARGET): TARGET runs under node as a command-line
# program on the real file system (paths as given, relative to the working
# folder), the way the desktop build runs it. The .wasm beside the .js is
# compiled synchronously: this emscripten would otherwise fetch() it, and
# node 18 and later have a fetch() that takes no file paths.
function(zorrit_node_program name)
  target_link_options(${name} PRIVATE -sENVIRONMENT=node -sNODERAWFS=1 -sWASM_ASYNC_COMPILATION=0)
endfunction()

# Debian's emscripten runs JavaScript tools of its own (acorn) under node at
# link time and finds their modules where Debian's nodejs looks by itself,
# /usr/share/nodejs. A node from elsewhere (a newer release installed over
# Debian's) does not look there, so the link says where.
set(CMAKE_CXX_LINKER_LAUNCHER ${CMAKE_COMMAND} -E env NODE_PATH=/usr/share/nodejs)
