#!/bin/sh
# strip as Debian strips the programs of its own packages (dh_strip): the
# symbols, and the compiler's notes in .comment and .note, which no program
# needs. scripts/package gives it to CMake as CMAKE_STRIP; CPack runs it on
# every program it packs.
exec strip --remove-section=.comment --remove-section=.note --strip-unneeded "$@"
