#!/usr/bin/env bash
# tools/check-includes.sh on small trees of its own: each case adds one include to a tree that
# passes and says whether the check must then fail. Covers a back include of the component in
# every pure folder, the relative and the angle-bracket spellings, a file found beside the
# includer, and the includes that are allowed.
# Usage: check-includes-test.sh CHECK_SCRIPT
set -u
check=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# file | include line | expected: pass or fail
cases=(
  'organ/Bad.cpp|#include "editor/MainContentComponent.h"|fail'
  'organ/Bad.h|#include "../editor/MainContentComponent.h"|fail'
  'organ/Bad.cpp|#include <editor/MainContentComponent.h>|fail'
  'midi/Bad.cpp|#include "editor/link/Link.h"|fail'
  'midi/Bad.cpp|#include "organ/Codec.h"|fail'
  'widgets/Bad.cpp|#include "editor/MainContentComponent.h"|fail'
  'resources/Bad.cpp|#include "organ/Codec.h"|fail'
  'organ/Bad.cpp|#include "midi/Ports.h"|fail'
  'organ/Bad.cpp|#include "app/Application.h"|fail'
  'editor/Bad.cpp|#include "app/Application.h"|fail'
  'editor/link/Bad.cpp|#include "../../app/Application.h"|fail'
  'resources/Bad.cpp|   #  include "widgets/Widget.h"|fail'
  'organ/Good.cpp|#include "organ/Codec.h"|pass'
  'organ/Good.cpp|#include "Codec.h"|pass'
  'organ/Good.cpp|#include "resources/Tables.h"|pass'
  'editor/link/Good.cpp|#include "editor/MainContentComponent.h"|pass'
  'editor/Good.cpp|#include "midi/Ports.h"|pass'
  'app/Good.cpp|#include "editor/MainContentComponent.h"|pass'
  'organ/Good.cpp|#include <juce_core/juce_core.h>|pass'
  'organ/Good.cpp|#include "SkinData.h"|pass'
)

# A clean tree; each case adds one file to it and takes it away again.
mkdir -p "$work/tree"/{app,editor/link,organ,midi,widgets,resources}
touch "$work/tree"/{app/Application.h,editor/MainContentComponent.h,editor/link/Link.h}
touch "$work/tree"/{organ/Codec.h,midi/Ports.h,widgets/Widget.h,resources/Tables.h}
echo '#include "editor/MainContentComponent.h"' > "$work/tree/editor/link/Link.cpp"

failures=0
bash "$check" "$work/tree" >/dev/null 2>&1 || { echo "the clean tree does not pass"; failures=1; }

for c in "${cases[@]}"; do
  IFS='|' read -r file line expected <<<"$c"
  printf '%s\n' "$line" > "$work/tree/$file"
  if bash "$check" "$work/tree" >/dev/null 2>&1; then outcome=pass; else outcome=fail; fi
  rm "$work/tree/$file"
  if [ "$outcome" != "$expected" ]; then
    echo "$file with '$line': expected $expected, got $outcome"
    failures=1
  fi
done

exit $failures
