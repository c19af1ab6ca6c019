#!/bin/sh
# Stands in for the text printer in tests: "/p FILE" logs the call and copies FILE to the PDF printer's
# OutputFile. FAKE_EXIT, FAKE_SLEEP and FAKE_WRITE=0 make it fail, linger or print nothing.
[ "$1" = "/p" ] || exit 64
conf="$XDG_CONFIG_HOME/Tarnwicke PDF Writer.conf"
out=$(sed -n 's/^OutputFile=//p' "$conf")
bypass=$(sed -n 's/^BypassSaveAs=//p' "$conf")
printf '%s|%s|%s|%s\n' "$2" "$out" "$bypass" "$(cat "$2" 2>/dev/null)" >> "${FAKE_LOG:-/dev/null}"
if [ -n "$FAKE_SLEEP" ]; then sleep "$FAKE_SLEEP"; fi
if [ "${FAKE_WRITE:-1}" = 1 ]; then cp "$2" "$out" || exit 3; fi
exit "${FAKE_EXIT:-0}"
