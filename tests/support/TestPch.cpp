// Only here to give the tests' precompiled header a target to be compiled with.
