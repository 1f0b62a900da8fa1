#!/bin/sh
# The shared library exports exactly the functions its header declares with
# VASTRELMON_API: none missing, and none of its insides (the C++ runtime's
# template instances included).
#   sh tests/install/check_exports.sh LIBRARY.so include/vastrelmon.h
set -u
declared=$(grep '^VASTRELMON_API' "$2" | grep -o 'vastrelmon_[a-z_]*(' | tr -d '(' | sort)
exported=$(nm -D --defined-only "$1" | awk '{ print $NF }' | sort)
[ -n "$declared" ] || { echo "no VASTRELMON_API declarations found in $2"; exit 1; }
[ "$declared" = "$exported" ] && exit 0
for name in $declared; do
    printf '%s\n' "$exported" | grep -qx "$name" || echo "$1 does not export $name"
done
for name in $exported; do
    printf '%s\n' "$declared" | grep -qx "$name" || echo "$1 exports $name, which $2 does not declare"
done
exit 1
