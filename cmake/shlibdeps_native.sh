#!/bin/sh
# dpkg-shlibdeps over the ELF files of this machine among its arguments;
# see cpack_project.cmake.
set -eu
# e_machine of od itself, a program of this machine.
own=$(od -An -j18 -N2 -tu2 /proc/self/exe | tr -d ' ')
for a in "$@"; do
  shift
  if [ -f "$a" ] && [ "$(od -An -c -N4 "$a" | tr -d ' ')" = '177ELF' ] &&
     [ "$(od -An -j18 -N2 -tu2 "$a" | tr -d ' ')" != "$own" ]; then
    continue
  fi
  set -- "$@" "$a"
done
exec dpkg-shlibdeps "$@"
