#!/bin/sh
# Usage: check_exports.sh LIBRARY SYMBOL...
# Passes when the library's dynamic symbol table defines exactly the given symbols.
lib=$1
shift
actual=$(nm -D --defined-only "$lib" | awk '{print $NF}' | sort)
expected=$(printf '%s\n' "$@" | sort)
if [ "$actual" != "$expected" ]; then
  echo "exports of $lib:"
  echo "$actual"
  echo "expected:"
  echo "$expected"
  exit 1
fi
