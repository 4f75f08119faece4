#!/usr/bin/env bash
# Fails when an include runs against the direction of the folders:
#   app/ -> editor/ (with editor/link/) -> organ/, midi/, widgets/, resources/
#   organ/ -> resources/
# midi/, widgets/ and resources/ include only their own folder. So the pure code, the port
# layer and the widgets can be built and tested without the panel, and no cycle can form.
# Usage: check-includes.sh [SOURCE_ROOT]   (default: the folder above this script)
set -u
root=$(cd "${1:-$(dirname "$0")/..}" && pwd)

allowed_for() {
  case $1 in
    app) echo "app editor organ midi widgets resources" ;;
    editor) echo "editor organ midi widgets resources" ;;
    organ) echo "organ resources" ;;
    midi) echo "midi" ;;
    widgets) echo "widgets" ;;
    resources) echo "resources" ;;
  esac
}

# Sets `target` to the file that an include names, relative to the root, or to nothing for one
# from outside the tree (the framework, the system, the generated skin data). Quoted includes
# are searched beside the including file first, as the compiler does.
resolve() {
  local file=$1 name=$2 dir
  dir=${file%/*}
  target=
  if [ -e "$root/$dir/$name" ]; then
    case $name in
      *../*|./*) target=$(realpath -m --relative-to="$root" "$root/$dir/$name") ;;
      *) target=$dir/$name ;;
    esac
  elif [ -e "$root/$name" ]; then
    target=$name
  fi
}

faults=0
for top in app editor organ midi widgets resources; do
  [ -d "$root/$top" ] || continue
  allowed=" $(allowed_for "$top") "
  while IFS= read -r file; do
    file=${file#"$root/"}
    while IFS= read -r name; do
      resolve "$file" "$name"
      [ -n "$target" ] || continue
      case $allowed in
        *" ${target%%/*} "*) ;;
        *) echo "$file includes $target: $top/ may include only$(echo "${allowed% }")" >&2
           faults=$((faults + 1)) ;;
      esac
    done < <(sed -n 's/^[[:space:]]*#[[:space:]]*include[[:space:]]*[<"]\([^>"]*\)[>"].*/\1/p' "$root/$file")
  done < <(find "$root/$top" -type f \( -name '*.h' -o -name '*.cpp' \) | sort)
done

[ "$faults" -eq 0 ] || { echo "check-includes: $faults include(s) against the folder direction" >&2; exit 1; }
echo "check-includes: every include runs with the folder direction"
