#!/bin/sh
# Packs examples/hello for Linux, Windows x64 and Windows x86 with zovpack
# and starts the Linux one against this machine's Java runtime.
set -eu
cd "$(dirname "$0")/.."
out=build/demo
rm -rf "$out" && mkdir -p "$out/classes"
javac=$(readlink -f "$(command -v javac)")
jdk=$(dirname "$(dirname "$javac")")
"$jdk/bin/javac" --release 8 -nowarn -d "$out/classes" examples/hello/src/demo/Hello.java
"$jdk/bin/jar" cfm "$out/hello.jar" examples/hello/MANIFEST.MF -C "$out/classes" .

# The build tree's zovpack finds its stubs as an installed one does.
pack=build/linux/pack/zovpack
for target in linux win64 win32; do
  case $target in
    linux) name=hello ;;
    win64) name=hello64.exe ;;
    win32) name=hello32.exe ;;
  esac
  "$pack" "$out/hello.jar" -o "$out/$name" --target $target \
    --config examples/hello/config.txt
done
echo "demo: packed $(cd "$out" && ls hello hello64.exe hello32.exe | tr '\n' ' ')"
"$pack" --show "$out/hello"
echo "demo: running $out/hello with JAVA_HOME=$jdk"
JAVA_HOME=$jdk "$out/hello" one "two words"
