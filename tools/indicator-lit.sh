#!/usr/bin/env bash
# Succeeds when the editor window WINDOW shows its connection indicator on. The indicator sits
# at (975, 11), 35 x 18; its "on" glyph is drawn in 0xFFA800.
# Usage: indicator-lit.sh WINDOW   (an X window id, on the current DISPLAY)
import -window "$1" -crop 35x18+975+11 -depth 8 txt:- 2>/dev/null | grep -q -i -E '#FF(A[0-9A-F]|9[0-9A-F])[0-9A-F]{2}'
