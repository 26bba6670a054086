#!/bin/sh
# Builds zov-maven-plugin offline from Debian's Maven repository and installs
# it into $ZOV_M2 (default ~/.m2/repository).
set -eu
cd "$(dirname "$0")/.."
export ZOV_M2="${ZOV_M2:-$HOME/.m2/repository}"
# One version for the project: the plugin's must be CMakeLists.txt's.
want=$(sed -n 's/^project(zov VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
have=$(sed -n 's|^  <version>\(.*\)</version>|\1|p' maven/pom.xml | head -n 1)
if [ "$want" != "$have" ]; then
  echo "maven: maven/pom.xml says version $have, CMakeLists.txt $want" >&2
  exit 1
fi
# A fresh copy: an install over an equal one was seen to leave the local
# repository without its record of the jar, which Maven then cannot find.
rm -rf "$ZOV_M2/dev/zov/zov-maven-plugin/$have"
# -o reads the file:// repository only when told that file is no network.
mvn -o -B -q -Dstyle.color=never -s maven/settings.xml -Daether.offline.protocols=file \
  -f maven/pom.xml install
echo "maven: dev.zov:zov-maven-plugin:$have installed in $ZOV_M2"
