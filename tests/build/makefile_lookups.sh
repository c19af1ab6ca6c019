#!/bin/sh
# The Makefile installs what is missing before it uses it, so it must not look for a program while it is
# read: a $(shell ...) or $(wildcard ...) in a variable set outside a recipe runs before the installs.
makefile=${1:?usage: makefile_lookups.sh MAKEFILE}
found=$(grep -nE '^[A-Za-z0-9_]+[[:space:]]*(:|::|\?|\+)?=.*\$\((shell|wildcard)[[:space:]]' "$makefile")
if [ -n "$found" ]; then
    echo "looked up when the Makefile is read:"
    echo "$found"
    exit 1
fi
echo "no program is looked up when the Makefile is read"
