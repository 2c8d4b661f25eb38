# Read by ctest before it lists or runs the tests of a VELMORA_SANITIZE build, so every process a test starts
# inherits these settings: the test programs, the program the end-to-end scripts drive and the ImgView it
# starts, the tools and the benches. Options the caller set already come last and win.
#
# A report ends the process that made it (the program is built with -fno-sanitize-recover=all as well).
# Leaks are looked for at every process's end: what the program keeps for its run (shaping faces, Qt's and
# fontconfig's caches) stays reachable until then, so no suppression is needed. A failed allocation returns
# null as the C library's would, so the bounds the program keeps on pictures and files work as in a plain
# build. The kill tests preload their file-step library ahead of the sanitizer's run-time library, which the
# sanitizer then must not refuse. gcc 12's run-time misreads the size of a thread's dynamic TLS block that the C
# library took from malloc (the stand-in libraries' blocks, loaded with dlopen), and its leak check then crashes
# reading past it as the process ends, depending on what the heap held before: it does not follow such blocks.
# Memory reached only from one would be reported as a leak, never hidden.
set(ENV{ASAN_OPTIONS}
    "halt_on_error=1:detect_leaks=1:allocator_may_return_null=1:verify_asan_link_order=0:intercept_tls_get_addr=0:$ENV{ASAN_OPTIONS}")
set(ENV{UBSAN_OPTIONS} "halt_on_error=1:print_stacktrace=1:$ENV{UBSAN_OPTIONS}")
